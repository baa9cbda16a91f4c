#include "adjust/RedEyeSettings.h"

#include <charconv>
#include <optional>

#include "settings/SettingsStore.h"
#include "settings/StoreError.h"

namespace pictavo {

namespace {

const QString kKeyPath = QStringLiteral("Software\\Vornholt\\Pictavo2");
const QString kSection = QStringLiteral("RedEye");
const QString kSaturation = QStringLiteral("RedEyeSaturation");
const QString kSensitivity = QStringLiteral("RedEyeRedSensitivity");

std::optional<int> readSaturation(const SettingsStore& store) {
    try {
        return store.readInteger(kSection, kSaturation);
    } catch (const StoreError&) {
        return std::nullopt;  // of another type
    }
}

std::optional<float> readSensitivity(const SettingsStore& store, const QLocale& locale) {
    std::optional<QString> text;
    try {
        text = store.readString(kSection, kSensitivity);
    } catch (const StoreError&) {
        return std::nullopt;
    }
    bool ok = false;
    const float value = text ? locale.toFloat(*text, &ok) : 0.0f;
    return ok ? std::optional<float>(value) : std::nullopt;
}

// The shortest text that reads back as the same float ("1" for 1.0), in the
// locale's number format.
QString sensitivityText(float value, const QLocale& locale) {
    char digits[32];
    const std::to_chars_result end = std::to_chars(digits, digits + sizeof digits, value);
    QString text;
    for (const char* c = digits; c != end.ptr; ++c) {
        switch (*c) {
            case '.':
                text += locale.decimalPoint();
                break;
            case '-':
                text += locale.negativeSign();
                break;
            case '+':
                text += locale.positiveSign();
                break;
            case 'e':
                text += locale.exponential();
                break;
            default:
                text += QLatin1Char(*c);
        }
    }
    return text;
}

}  // namespace

RedEyeTuning ReadRedEyeSettings(SettingsStore& store, const QLocale& locale) {
    RedEyeTuning tuning;
    // Each value is read on its own, so a valid one is never replaced by
    // the default because the other one is broken.
    const std::optional<int> saturation = readSaturation(store);
    const std::optional<float> sensitivity = readSensitivity(store, locale);
    tuning.saturation = saturation.value_or(tuning.saturation);
    tuning.redSensitivity = sensitivity.value_or(tuning.redSensitivity);
    if (saturation && sensitivity) {
        return tuning;
    }
    try {
        store.writeInteger(kSection, kSaturation, tuning.saturation);
        store.writeString(kSection, kSensitivity, sensitivityText(tuning.redSensitivity, locale));
        store.close();
    } catch (const StoreError&) {
        // The values in effect still hold for this session.
    }
    return tuning;
}

RedEyeTuning ReadRedEyeSettings() {
    SettingsStore store(RegRoot::CurrentUser, kKeyPath, SettingsStore::Access::ReadWrite);
    return ReadRedEyeSettings(store);
}

}  // namespace pictavo
