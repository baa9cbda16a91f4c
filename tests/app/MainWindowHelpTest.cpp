// F1 and "More info..." in the main window reach the help, through the real
// viewer and help handler; F1 in the program's other windows reaches nothing.
#include <QFile>
#include <QTest>

#include <memory>
#include <vector>

#include "app/TfrmFolderMan.h"
#include "app/TfrmOptionsDialog.h"
#include "app/TfrmSplash.h"
#include "crop/TfrmImage.h"
#include "help/HelpCommands.h"
#include "help/THTMLHelpViewer.h"
#include "help/TconHTMLHelp.h"
#include "settings/SettingsStore.h"
#include "support/ModalAnswerer.h"
#include "support/QtTestMain.h"

using namespace pictavo::HelpCommands;

class MainWindowHelpTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void f1WithTheFocusInEitherFolderFieldOpensContext1();
    void moreInfoOpensContext1EveryTime();
    void f1InTheOtherWindowsDoesNothing();

private:
    // The two calls one request makes: the default topic, then context 1.
    void expectRequests(int requests) {
        QCOMPARE(m_calls.size(), std::size_t(2 * requests));
        for (std::size_t i = 0; i < m_calls.size(); i += 2) {
            QCOMPARE(m_calls[i], (HtmlHelpCall{kDisplayTopic, 0}));
            QCOMPARE(m_calls[i + 1], (HtmlHelpCall{kHelpContextHH, 1}));
        }
    }
    void pressF1(QWidget* target) { QTest::keyClick(target, Qt::Key_F1); }

    std::vector<HtmlHelpCall> m_calls;
    std::unique_ptr<TconHTMLHelp> m_handler;
    std::unique_ptr<THTMLHelpViewer> m_viewer;
    std::unique_ptr<TfrmImage> m_image;
    std::unique_ptr<TfrmFolderMan> m_window;
};

void MainWindowHelpTest::init() {
    QFile::remove(pictavo::SettingsStore::standardFilePath(pictavo::RegRoot::CurrentUser));
    m_calls.clear();
    m_handler = std::make_unique<TconHTMLHelp>(
        QStringLiteral("Pictavo.qch"),
        [this](const QString&, unsigned command, std::uintptr_t data) {
            m_calls.push_back({command, data});
        });
    m_viewer = std::make_unique<THTMLHelpViewer>(*m_handler);
    m_image = std::make_unique<TfrmImage>();
    m_window = std::make_unique<TfrmFolderMan>();
    m_window->setOptionsWindow(m_image.get());
    m_window->setContextHelp([this](int context, const QPoint& popupAt) {
        m_viewer->DisplayHelpContext(context, popupAt);
    });
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void MainWindowHelpTest::cleanup() {
    m_window.reset();
    m_image.reset();
}

void MainWindowHelpTest::f1WithTheFocusInEitherFolderFieldOpensContext1() {
    int requests = 0;
    for (const char* name : {"m_edSource", "m_edDest", "m_edSource"}) {
        QWidget* field = m_window->findChild<QWidget*>(name);
        field->setFocus();
        pressF1(field);
        expectRequests(++requests);
    }
    // Anywhere else in the window as well, and the window itself.
    pressF1(m_window->findChild<QWidget*>(QStringLiteral("m_lblInfo")));
    pressF1(m_window.get());
    expectRequests(requests + 2);
}

void MainWindowHelpTest::moreInfoOpensContext1EveryTime() {
    QWidget* moreInfo = m_window->findChild<QWidget*>(QStringLiteral("m_lblMoreInfo"));
    for (int i = 1; i <= 2; ++i) {
        QTest::mouseClick(moreInfo, Qt::LeftButton, Qt::NoModifier, QPoint(3, 3));
        expectRequests(i);
    }
}

void MainWindowHelpTest::f1InTheOtherWindowsDoesNothing() {
    // The options dialog, opened from the main window.
    ModalAnswerer answerer([](QWidget* modal) {
        QTest::keyClick(modal, Qt::Key_F1);
        if (QWidget* focus = modal->focusWidget()) {
            QTest::keyClick(focus, Qt::Key_F1);
        }
        modal->close();
    });
    QTest::mouseClick(m_window->findChild<QWidget*>(QStringLiteral("m_btnOptions")),
                      Qt::LeftButton);
    // The splash as the about box.
    TfrmSplash splash(QString(), {60000, 60000});
    m_window->setSplashWindow(&splash);
    QTest::mouseClick(m_window->findChild<QWidget*>(QStringLiteral("m_lblAbout")), Qt::LeftButton,
                      Qt::NoModifier, QPoint(3, 3));
    QVERIFY(splash.isHidden());
    // The crop window.
    m_image->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_image.get()));
    pressF1(m_image.get());
    m_image->hide();
    expectRequests(0);
}

PICTAVO_QTEST_MAIN(MainWindowHelpTest)
#include "MainWindowHelpTest.moc"
