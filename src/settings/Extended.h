#pragma once

#include <QMetaType>

// An extended-precision real as a property value. QVariant has no long
// double, and rounding a ratio through double would store 1.33 as
// "1.33000000000000007".
struct Extended {
    long double value = 0;
    friend bool operator==(const Extended& a, const Extended& b) { return a.value == b.value; }
};
Q_DECLARE_METATYPE(Extended)
