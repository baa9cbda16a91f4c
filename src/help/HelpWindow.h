#pragma once

#include <QStringList>
#include <QUrl>
#include <QWidget>

#include <cstdint>

#include "help/HelpFile.h"

class HelpBrowser;
class QToolButton;

// The program's help window: shows the pages of the help file, with back and
// forward. It carries out the HTML Help commands of the help handler. A help
// file that is missing or damaged, or a context it does not map, shows
// nothing and says nothing.
class HelpWindow : public QWidget {
    Q_OBJECT
public:
    // `folders`: where the help file is looked for, in this order.
    explicit HelpWindow(QStringList folders, QWidget* parent = nullptr);
    ~HelpWindow() override;

    // Next to the executable, then the data folder of an installed program.
    static QStringList StandardFolders();

    void HtmlHelp(const QString& helpFile, unsigned command, std::uintptr_t value);

    QUrl source() const;
    QString documentTitle() const;

private:
    // Opens `helpFile` unless it is open already; false when it cannot be.
    bool openFile(const QString& helpFile);
    void showTopic(const QString& id);

    QStringList m_folders;
    QString m_openName;
    HelpFile m_file;
    HelpBrowser* m_browser = nullptr;
    QToolButton* m_back = nullptr;
    QToolButton* m_forward = nullptr;
};
