#pragma once

#include <QTextBrowser>

class HelpFile;

// A text browser that reads its pages, pictures and style sheets from a help
// file; relative links between pages stay inside it.
class HelpBrowser : public QTextBrowser {
    Q_OBJECT
public:
    HelpBrowser(const HelpFile& file, QWidget* parent = nullptr);

    QVariant loadResource(int type, const QUrl& name) override;

private:
    const HelpFile& m_file;
};
