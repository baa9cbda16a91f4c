#include "support/ScriptedRun.h"

#include <QApplication>
#include <QTest>
#include <QTimer>

#include "app/TfrmFolderMan.h"
#include "crop/TfrmImage.h"
#include "support/ModalAnswerer.h"
#include "support/RecordingCropLink.h"

namespace pictavo::test {

bool playRun(TfrmFolderMan& window, TfrmImage& image, const RecordingCropLink& link,
             const QList<UserAction>& actions, const UserAction& afterLast) {
    qsizetype answered = 0;
    QTimer user;
    user.setInterval(10);
    QObject::connect(&user, &QTimer::timeout, &user, [&] {
        if (!image.isVisible() || QApplication::activeModalWidget() ||
            link.loaded.size() == answered || image.m_nState != 0) {
            return;
        }
        answered = link.loaded.size();
        if (answered <= actions.size()) {
            actions[answered - 1]();
        } else if (afterLast) {
            afterLast();
        }
    });
    user.start();
    ModalAnswerer unexpected;
    QTest::mouseClick(window.findChild<QWidget*>(QStringLiteral("m_lblStart")), Qt::LeftButton,
                      Qt::NoModifier, QPoint(3, 3));
    user.stop();
    return unexpected.seen().isEmpty();
}

}  // namespace pictavo::test
