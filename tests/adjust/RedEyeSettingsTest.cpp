#include "adjust/RedEyeSettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <optional>

#include "settings/SettingsStore.h"
#include "support/TempDir.h"

using pictavo::RegRoot;
using pictavo::SettingsStore;

namespace {

const QString kPath = QStringLiteral("Software\\Vornholt\\Pictavo2");

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeRedEyeKey(const QString& path, const char* values) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(QByteArray("Windows Registry Editor Version 5.00\n\n"
                       "[HKEY_CURRENT_USER\\Software\\Vornholt\\Pictavo2\\RedEye]\n") +
            values);
}

}  // namespace

TEST(RedEyeSettings, ReadsRepairsAndKeepsValidValues) {
    struct Case {
        const char* what;
        const char* values;  // nullptr: no file yet
        QLocale locale;
        int saturation;
        float sensitivity;
        // What the key holds afterwards; nullptr when the file stays as it was.
        const char* storedText;
        int storedSaturation;
    } const cases[] = {
        {"first run", nullptr, QLocale::c(), 50, 1.0f, "1", 50},
        {"not a number", "\"RedEyeSaturation\"=dword:00000050\n\"RedEyeRedSensitivity\"=\"abc\"\n",
         QLocale::c(), 80, 1.0f, "1", 80},
        {"valid", "\"RedEyeSaturation\"=dword:00000046\n\"RedEyeRedSensitivity\"=\"1.5\"\n",
         QLocale::c(), 70, 1.5f, nullptr, 0},
        {"user's separator",
         "\"RedEyeSaturation\"=dword:00000014\n\"RedEyeRedSensitivity\"=\"1,5\"\n",
         QLocale(QLocale::German), 20, 1.5f, nullptr, 0},
        {"not range-checked",
         "\"RedEyeSaturation\"=dword:ffffff38\n\"RedEyeRedSensitivity\"=\"-0.5\"\n", QLocale::c(),
         -200, -0.5f, nullptr, 0},
        {"saturation of another type",
         "\"RedEyeSaturation\"=\"80\"\n\"RedEyeRedSensitivity\"=\"2.5\"\n", QLocale::c(), 50, 2.5f,
         "2.5", 50},
        {"sensitivity of another type",
         "\"RedEyeSaturation\"=dword:00000050\n\"RedEyeRedSensitivity\"=dword:00000002\n",
         QLocale::c(), 80, 1.0f, "1", 80},
        {"saturation missing", "\"RedEyeRedSensitivity\"=\"0,1\"\n", QLocale(QLocale::German), 50,
         0.1f, "0,1", 50},
        {"sensitivity empty",
         "\"RedEyeSaturation\"=dword:00000000\n\"RedEyeRedSensitivity\"=\"\"\n", QLocale::c(), 0,
         1.0f, "1", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        pictavo::test::TempDir dir;
        const QString file = QString::fromStdString(dir.file("Vornholt/Pictavo2.reg"));
        if (c.values) {
            writeRedEyeKey(file, c.values);
        }
        const QByteArray before = readAll(file);
        SettingsStore store(file, RegRoot::CurrentUser, kPath, SettingsStore::Access::ReadWrite);
        const pictavo::RedEyeTuning tuning = pictavo::ReadRedEyeSettings(store, c.locale);
        EXPECT_EQ(tuning.saturation, c.saturation);
        EXPECT_EQ(tuning.redSensitivity, c.sensitivity);
        if (!c.storedText) {
            EXPECT_EQ(readAll(file), before);
            continue;
        }
        const SettingsStore after(file, RegRoot::CurrentUser, kPath,
                                  SettingsStore::Access::ReadOnly);
        EXPECT_EQ(after.readInteger(QStringLiteral("RedEye"), QStringLiteral("RedEyeSaturation")),
                  c.storedSaturation);
        EXPECT_EQ(
            after.readString(QStringLiteral("RedEye"), QStringLiteral("RedEyeRedSensitivity")),
            QString::fromLatin1(c.storedText));
    }
}

TEST(RedEyeSettings, AStoreThatCannotBeWrittenLeavesTheValuesInEffect) {
    pictavo::test::TempDir dir;
    const QString file = QString::fromStdString(dir.file("Vornholt/Pictavo2.reg"));
    writeRedEyeKey(file, "\"RedEyeSaturation\"=dword:00000050\n");
    SettingsStore store(file, RegRoot::CurrentUser, kPath, SettingsStore::Access::ReadOnly);
    const pictavo::RedEyeTuning tuning = pictavo::ReadRedEyeSettings(store, QLocale::c());
    EXPECT_EQ(tuning.saturation, 80);
    EXPECT_EQ(tuning.redSensitivity, 1.0f);
}
