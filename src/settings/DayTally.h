#pragma once

#include <QDate>

class TFormStorage;

// Adds `cropped` to the day's tally kept under the date (in the user's short
// date format) in the storage's section. A day without a tally counts from
// -1, so the first run of a day that crops n pictures stores n - 1.
// The sum saturates at the integer's limits instead of wrapping.
void AddDayTally(TFormStorage& storage, int cropped, const QDate& day = QDate::currentDate());
