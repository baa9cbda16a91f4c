#pragma once

#include <QTextBrowser>

#include <functional>

class HelpFile;

// A text browser that reads its pages, pictures and style sheets from a help
// file. A link to a page of the file, clicked or activated with the keyboard,
// is shown here; a link to the web or to mail goes to the desktop; any other
// is ignored.
class HelpBrowser : public QTextBrowser {
    Q_OBJECT
public:
    // Hands a link to the desktop; false when the desktop cannot take it.
    using DesktopOpener = std::function<bool(const QUrl&)>;

    // `openOnDesktop`: QDesktopServices::openUrl when empty.
    HelpBrowser(const HelpFile& file, DesktopOpener openOnDesktop = {}, QWidget* parent = nullptr);

    QVariant loadResource(int type, const QUrl& name) override;

    // Follows `link` as a click on it would.
    void follow(const QUrl& link);

private:
    const HelpFile& m_file;
    DesktopOpener m_openOnDesktop;
};
