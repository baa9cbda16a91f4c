#include "help/HelpWindow.h"

#include <QCoreApplication>
#include <QDir>
#include <QHBoxLayout>
#include <QHelpContentItem>
#include <QHelpContentWidget>
#include <QHelpEngine>
#include <QHelpIndexWidget>
#include <QHelpLink>
#include <QHelpSearchEngine>
#include <QHelpSearchQueryWidget>
#include <QHelpSearchResultWidget>
#include <QLineEdit>
#include <QSplitter>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include "help/HelpBrowser.h"
#include "help/HelpCommands.h"

using namespace pictavo::HelpCommands;

namespace {

const QString kTitle = QStringLiteral("Pictavo Help");

QWidget* page(const char* name, std::initializer_list<QWidget*> widgets) {
    auto* result = new QWidget;
    result->setObjectName(QLatin1String(name));
    auto* layout = new QVBoxLayout(result);
    layout->setContentsMargins(0, 0, 0, 0);
    for (QWidget* widget : widgets) {
        layout->addWidget(widget);
    }
    return result;
}

}  // namespace

HelpWindow::HelpWindow(QStringList folders, QWidget* parent, DesktopOpener openOnDesktop)
    : QWidget(parent, Qt::Window), m_folders(std::move(folders)) {
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(kTitle);
    // An open help window does not keep the program running once the main
    // window has closed.
    setAttribute(Qt::WA_QuitOnClose, false);
    resize(960, 640);

    m_back = new QToolButton(this);
    m_back->setObjectName(QStringLiteral("back"));
    m_back->setArrowType(Qt::LeftArrow);
    m_back->setToolTip(QStringLiteral("Back"));
    m_forward = new QToolButton(this);
    m_forward->setObjectName(QStringLiteral("forward"));
    m_forward->setArrowType(Qt::RightArrow);
    m_forward->setToolTip(QStringLiteral("Forward"));
    m_browser = new HelpBrowser(m_file, std::move(openOnDesktop));
    m_browser->setObjectName(QStringLiteral("browser"));
    m_panes = new QTabWidget;
    m_panes->setObjectName(QStringLiteral("panes"));

    auto* split = new QSplitter(Qt::Horizontal, this);
    split->addWidget(m_panes);
    split->addWidget(m_browser);
    split->setStretchFactor(1, 1);
    split->setSizes({260, 700});

    auto* bar = new QHBoxLayout;
    bar->addWidget(m_back);
    bar->addWidget(m_forward);
    bar->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(split, 1);

    m_back->setEnabled(false);
    m_forward->setEnabled(false);
    connect(m_back, &QToolButton::clicked, m_browser, &QTextBrowser::backward);
    connect(m_forward, &QToolButton::clicked, m_browser, &QTextBrowser::forward);
    connect(m_browser, &QTextBrowser::backwardAvailable, m_back, &QWidget::setEnabled);
    connect(m_browser, &QTextBrowser::forwardAvailable, m_forward, &QWidget::setEnabled);
    connect(m_browser, &QTextBrowser::sourceChanged, this, &HelpWindow::pageShown);
}

HelpWindow::~HelpWindow() {
    // The panes' widgets belong to the file's engine's models: they go first.
    removePanes();
}

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

void HelpWindow::pageShown(const QUrl& url) {
    const QString title = m_browser->documentTitle();
    setWindowTitle(title.isEmpty() ? kTitle : title + QStringLiteral(" - ") + kTitle);
    // The contents follow the page, however it was reached.
    if (auto* contents = m_panes->findChild<QHelpContentWidget*>()) {
        // The browser tells the new page before its source() has it.
        const QModelIndex at = contents->indexOf(url);
        if (at.isValid()) {
            contents->setCurrentIndex(at);
        }
    }
}

bool HelpWindow::openFile(const QString& helpFile) {
    if (m_file.isOpen() && m_openName == helpFile) {
        return true;
    }
    removePanes();
    m_openName = helpFile;
    if (!m_file.open(HelpFile::Locate(helpFile, m_folders))) {
        return false;
    }
    addPanes();
    return true;
}

void HelpWindow::addPanes() {
    QHelpEngine* engine = m_file.engine();

    QHelpContentWidget* contents = engine->contentWidget();
    contents->setObjectName(QStringLiteral("contents"));
    connect(contents, &QHelpContentWidget::linkActivated, m_browser, &HelpBrowser::follow);
    // One click opens a page, as in any help reader, whatever the style
    // makes of single clicks in item views.
    connect(contents, &QAbstractItemView::clicked, m_browser,
            [this, engine](const QModelIndex& at) {
                if (const QHelpContentItem* item = engine->contentModel()->contentItemAt(at)) {
                    m_browser->follow(item->url());
                }
            });
    // The whole tree is a handful of pages: all of it shows at once, and
    // the page on show is marked once the tree is there.
    connect(engine->contentModel(), &QHelpContentModel::contentsCreated, contents,
            [this, contents] {
                contents->expandAll();
                pageShown(m_browser->source());
            });

    auto* filter = new QLineEdit;
    filter->setObjectName(QStringLiteral("indexFilter"));
    filter->setPlaceholderText(QStringLiteral("Type the word you look for"));
    filter->setClearButtonEnabled(true);
    QHelpIndexWidget* index = engine->indexWidget();
    index->setObjectName(QStringLiteral("index"));
    connect(filter, &QLineEdit::textChanged, index,
            [index](const QString& text) { index->filterIndices(text); });
    connect(filter, &QLineEdit::returnPressed, index, &QHelpIndexWidget::activateCurrentItem);
    connect(index, &QAbstractItemView::clicked, index, &QHelpIndexWidget::activateCurrentItem);
    connect(index, &QHelpIndexWidget::documentActivated, m_browser,
            [this](const QHelpLink& document) { m_browser->follow(document.url); });
    connect(index, &QHelpIndexWidget::documentsActivated, m_browser,
            [this](const QList<QHelpLink>& documents) {
                if (!documents.isEmpty()) {
                    m_browser->follow(documents.first().url);
                }
            });

    QHelpSearchEngine* search = engine->searchEngine();
    QHelpSearchQueryWidget* query = search->queryWidget();
    query->setObjectName(QStringLiteral("searchQuery"));
    QHelpSearchResultWidget* results = search->resultWidget();
    results->setObjectName(QStringLiteral("searchResults"));
    connect(query, &QHelpSearchQueryWidget::search, search,
            [search, query] { search->search(query->searchInput()); });
    connect(results, &QHelpSearchResultWidget::requestShowLink, m_browser, &HelpBrowser::follow);

    m_panes->addTab(page("contentsPage", {contents}), QStringLiteral("&Contents"));
    m_panes->addTab(page("indexPage", {filter, index}), QStringLiteral("&Index"));
    m_panes->addTab(page("searchPage", {query, results}), QStringLiteral("&Search"));
}

void HelpWindow::removePanes() {
    while (m_panes->count() > 0) {
        QWidget* pane = m_panes->widget(0);
        m_panes->removeTab(0);
        delete pane;
    }
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
