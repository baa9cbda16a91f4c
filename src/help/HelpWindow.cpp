#include "help/HelpWindow.h"

#include <QCoreApplication>
#include <QDir>
#include <QHBoxLayout>
#include <QToolButton>
#include <QVBoxLayout>

#include "help/HelpBrowser.h"
#include "help/HelpCommands.h"

using namespace pictavo::HelpCommands;

HelpWindow::HelpWindow(QStringList folders, QWidget* parent)
    : QWidget(parent, Qt::Window), m_folders(std::move(folders)) {
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("Pictavo Help"));
    // An open help window does not keep the program running once the main
    // window has closed.
    setAttribute(Qt::WA_QuitOnClose, false);
    resize(760, 620);

    m_back = new QToolButton(this);
    m_back->setObjectName(QStringLiteral("back"));
    m_back->setArrowType(Qt::LeftArrow);
    m_back->setToolTip(QStringLiteral("Back"));
    m_forward = new QToolButton(this);
    m_forward->setObjectName(QStringLiteral("forward"));
    m_forward->setArrowType(Qt::RightArrow);
    m_forward->setToolTip(QStringLiteral("Forward"));
    m_browser = new HelpBrowser(m_file, this);
    m_browser->setObjectName(QStringLiteral("browser"));

    auto* bar = new QHBoxLayout;
    bar->addWidget(m_back);
    bar->addWidget(m_forward);
    bar->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(m_browser, 1);

    m_back->setEnabled(false);
    m_forward->setEnabled(false);
    connect(m_back, &QToolButton::clicked, m_browser, &QTextBrowser::backward);
    connect(m_forward, &QToolButton::clicked, m_browser, &QTextBrowser::forward);
    connect(m_browser, &QTextBrowser::backwardAvailable, m_back, &QWidget::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, m_forward, &QWidget::setEnabled);
    connect(m_browser, &QTextBrowser::sourceChanged, this, [this] {
        const QString title = m_browser->documentTitle();
        setWindowTitle(title.isEmpty() ? QStringLiteral("Pictavo Help")
                                       : title + QStringLiteral(" - Pictavo Help"));
    });
}

HelpWindow::~HelpWindow() = default;

QStringList HelpWindow::StandardFolders() {
    const QString exeDir = QCoreApplication::applicationDirPath();
    return {exeDir, QDir::cleanPath(exeDir + QStringLiteral("/../share/pictavo"))};
}

QUrl HelpWindow::source() const {
    return m_browser->source();
}

QString HelpWindow::documentTitle() const {
    return m_browser->documentTitle();
}

bool HelpWindow::openFile(const QString& helpFile) {
    if (m_file.isOpen() && m_openName == helpFile) {
        return true;
    }
    m_openName = helpFile;
    return m_file.open(HelpFile::Locate(helpFile, m_folders));
}

void HelpWindow::showTopic(const QString& id) {
    const QUrl url = m_file.topic(id);
    if (url.isEmpty()) {
        return;  // the file maps no page to it: the window stays as it is
    }
    m_browser->setSource(url);
    show();
    raise();
    activateWindow();
}

void HelpWindow::HtmlHelp(const QString& helpFile, unsigned command, std::uintptr_t value) {
    if (command == kCloseAll) {
        hide();
        return;
    }
    if (!openFile(helpFile)) {
        return;
    }
    if (command == kHelpContextHH) {
        showTopic(HelpFile::ContextId(static_cast<int>(value)));
    } else {
        // Topic, contents and index requests carry no page we could trust
        // (their data is the caller's pointer): they open the default topic.
        showTopic(HelpFile::DefaultTopicId());
    }
}
