#pragma once

#include <QLocale>

#include "adjust/RedEyeTuning.h"

namespace pictavo {

class SettingsStore;

// Reads "RedEyeSaturation" (a dword) and "RedEyeRedSensitivity" (a number as
// text in the locale's format) from the section "RedEye" of `store`, which is
// open for writing on the per-user key path. When either value is missing, of
// another type or not a number, both are written back with the values in
// effect (a valid one as it was read, the default for the other) and the
// store is closed. Nothing is reported: values that cannot be written leave
// the ones in effect.
RedEyeTuning ReadRedEyeSettings(SettingsStore& store, const QLocale& locale = QLocale());

// The same on the user's settings under the program's key path.
RedEyeTuning ReadRedEyeSettings();

}  // namespace pictavo
