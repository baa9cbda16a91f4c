// A run of cuts through the real crop window and its writer, each picture
// clicked as soon as it is up: the kill test stops it at random moments.
// Arguments: the destination folder, then the pictures in order. Each cut is
// written as cut<n>.jpg.

#include <QApplication>
#include <QTest>

#include <string>

#include "crop/TNOEraseBackgroundImage.h"
#include "crop/TfrmImage.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc < 3) {
        return 2;
    }
    const QString dest = QString::fromLocal8Bit(argv[1]);
    TfrmImage window;
    window.SetQuality(100);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        return 3;
    }
    auto* view = window.findChild<TNOEraseBackgroundImage*>();
    for (int i = 2; i < argc; ++i) {
        window.ShowImage(QString::fromLocal8Bit(argv[i]),
                         dest + QStringLiteral("/cut%1.jpg").arg(i - 2));
        if (i + 1 < argc) {
            window.Prefetch(QString::fromLocal8Bit(argv[i + 1]));
        }
        QTest::mouseClick(view, Qt::LeftButton, Qt::NoModifier, view->rect().center());
    }
    window.FinishWrites();
    return 0;
}
