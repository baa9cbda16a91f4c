#include <cstdio>
#include <cstdlib>
#include <memory>

#include "adjust/TfrmToolBar.h"
#include "app/PictavoApplication.h"
#include "app/SessionPlatform.h"
#include "app/TfrmFolderMan.h"
#include "app/TfrmImageLink.h"
#include "app/TfrmSplash.h"
#include "crop/KeyboardState.h"
#include "crop/TfrmImage.h"
#include "help/HelpWindow.h"
#include "help/THTMLHelpViewer.h"
#include "help/TconHTMLHelp.h"

// The composition root: creates the windows, hidden, in their order, wires
// them to each other and runs the message loop, which shows the main window.
int main(int argc, char* argv[]) {
    // Qt reads the platform when the application object is made.
    switch (pictavo::choosePlatform(pictavo::readSessionEnvironment(argc, argv))) {
        case pictavo::PlatformChoice::NeedsX11:
            std::fprintf(stderr, "%s\n", pictavo::kNeedsX11Message);
            return EXIT_FAILURE;
        case pictavo::PlatformChoice::Xcb:
            ::setenv("QT_QPA_PLATFORM", "xcb", 1);
            break;
        case pictavo::PlatformChoice::Default:
            break;
    }
    PictavoApplication app(argc, argv);
    // Help is set up before the windows: the handler that takes every help
    // request for the application's help file, and the viewer that shows a
    // context through it in the program's own help window.
    HelpWindow helpWindow(HelpWindow::StandardFolders());
    TconHTMLHelp helpHandler(
        QStringLiteral("Pictavo.qch"),
        [&helpWindow](const QString& file, unsigned command, std::uintptr_t data) {
            helpWindow.HtmlHelp(file, command, data);
        });
    THTMLHelpViewer helpViewer(helpHandler);

    // Asked by the crop window for its keys and its Shift poll; outlives it.
    const std::unique_ptr<KeyboardState> keyboard = KeyboardState::forPlatform();
    TfrmFolderMan frmFolderMan;
    TfrmSplash frmSplash;  // its timer counts from now
    TfrmImage frmImage;
    frmImage.setKeyboardState(keyboard.get());
    // A part of the crop window, so that it is always above the picture.
    TfrmToolBar frmToolBar(frmImage, &frmImage);
    frmImage.setToolBar(&frmToolBar);

    TfrmImageLink cropLink(frmImage);
    frmFolderMan.setSplashWindow(&frmSplash);
    frmFolderMan.setContextHelp([&helpViewer](int context, const QPoint& popupAt) {
        helpViewer.DisplayHelpContext(context, popupAt);
    });
    frmFolderMan.setCropWindow(&cropLink);
    frmFolderMan.setOptionsWindow(&frmImage);
    frmImage.setMainWindow(&frmFolderMan);
    frmImage.setStepBack([&frmFolderMan] { frmFolderMan.StepBack(); });

    frmFolderMan.show();
    const int result = app.exec();
    frmFolderMan.setCropWindow(nullptr);  // the link goes before the main window
    frmImage.setToolBar(nullptr);         // the toolbar goes before the crop window
    return result;
}
