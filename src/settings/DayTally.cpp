#include "settings/DayTally.h"

#include <QLocale>

#include <algorithm>
#include <limits>

#include "settings/TFormStorage.h"

void AddDayTally(TFormStorage& storage, int cropped, const QDate& day) {
    const QString name = QLocale().toString(day, QLocale::ShortFormat);
    const qint64 sum = qint64(storage.ReadSectionInteger(name, -1)) + cropped;
    storage.WriteSectionInteger(name, int(std::clamp<qint64>(sum, std::numeric_limits<int>::min(),
                                                             std::numeric_limits<int>::max())));
}
