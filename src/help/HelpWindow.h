#pragma once

#include <QStringList>
#include <QUrl>
#include <QWidget>

#include <cstdint>
#include <functional>

#include "help/HelpFile.h"

class HelpBrowser;
class QTabWidget;
class QToolButton;

// The program's help window: the pages of the help file with back and
// forward, beside the file's contents, its index and a full-text search. It
// carries out the HTML Help commands of the help handler. A help file that is
// missing or damaged, or a context it does not map, shows nothing and says
// nothing. Links to the web or to mail go to the desktop.
class HelpWindow : public QWidget {
    Q_OBJECT
public:
    // Hands a web or mail link to the desktop; false when it cannot.
    using DesktopOpener = std::function<bool(const QUrl&)>;

    // `folders`: where the help file is looked for, in this order.
    // `openOnDesktop`: QDesktopServices::openUrl when empty.
    explicit HelpWindow(QStringList folders, QWidget* parent = nullptr,
                        DesktopOpener openOnDesktop = {});
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
    // The contents, index and search of the open file, and their removal
    // before the file is closed (the engine that fills them goes with it).
    void addPanes();
    void removePanes();
    void pageShown(const QUrl& url);

    QStringList m_folders;
    QString m_openName;
    HelpFile m_file;
    HelpBrowser* m_browser = nullptr;
    QToolButton* m_back = nullptr;
    QToolButton* m_forward = nullptr;
    QTabWidget* m_panes = nullptr;
};
