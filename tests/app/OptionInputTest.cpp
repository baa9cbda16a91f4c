#include "app/OptionInput.h"

#include <gtest/gtest.h>

using namespace OptionInput;

TEST(OptionInput, QualityKeysGoFromTheNearestEvenValueInStepsOfTwo) {
    struct Case {
        int value, direction, expected;
    };
    for (const Case c : {Case{37, +1, 38}, Case{37, -1, 34}, Case{39, +1, 42}, Case{39, -1, 38},
                         Case{40, +1, 42}, Case{1, -1, 1}, Case{1, +1, 2}, Case{3, -1, 2},
                         Case{100, +1, 100}, Case{99, +1, 100}, Case{99, -1, 98}, Case{2, -1, 1}}) {
        EXPECT_EQ(qualityStep(c.value, c.direction), c.expected) << c.value << " " << c.direction;
    }
}

TEST(OptionInput, RatioTextHasOneSeparatorAndAtMostThreeDecimals) {
    for (const char* ok : {"", "1", "1,", "1,5", "1,333", "-2", "+3,1", ",5", "+"}) {
        EXPECT_TRUE(ratioTextAllowed(QString::fromUtf8(ok), u',')) << ok;
    }
    for (const char* bad : {"1,3333", "1,5,", "1.5", "1-", "a", "1 5", "--1", "1e3"}) {
        EXPECT_FALSE(ratioTextAllowed(QString::fromUtf8(bad), u',')) << bad;
    }
    EXPECT_TRUE(ratioTextAllowed(QStringLiteral("1.333"), u'.'));
}

TEST(OptionInput, UnreadableRatioTextGivesZero) {
    EXPECT_EQ(ratioValue(QStringLiteral("1,33"), u','), 1.33L);
    EXPECT_EQ(ratioValue(QStringLiteral("1.33"), u'.'), 1.33L);
    for (const char* bad : {"", "-", ",", "1.5"}) {
        EXPECT_EQ(ratioValue(QString::fromUtf8(bad), u','), 0.0L) << bad;
    }
}

TEST(OptionInput, RatioIsShownGroupedWithUpToNineDecimals) {
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const QLocale german(QLocale::German, QLocale::Germany);
    EXPECT_EQ(ratioDisplay(1.5L, english), QStringLiteral("1.5"));
    EXPECT_EQ(ratioDisplay(1234.5L, english), QStringLiteral("1,234.5"));
    EXPECT_EQ(ratioDisplay(1234.5L, german), QStringLiteral("1.234,5"));
    EXPECT_EQ(ratioDisplay(4.0L, german), QStringLiteral("4"));
    EXPECT_EQ(ratioDisplay(1.0L / 3.0L, english), QStringLiteral("0.333333333"));
    EXPECT_EQ(ratioEditText(1234.5L, german), QStringLiteral("1234,5"));
}
