#include "settings/StoredText.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace StoredText;

TEST(StoredText, IntegersAreStrictDecimal) {
    EXPECT_EQ(fromInteger(-42), QStringLiteral("-42"));
    EXPECT_EQ(toInteger(QStringLiteral("90")), 90);
    EXPECT_EQ(toInteger(QStringLiteral("+7")), 7);
    EXPECT_EQ(toInteger(QStringLiteral("-2147483648")), std::numeric_limits<qint32>::min());
    for (const char* bad : {"abc", "", "1.5", "2147483648", "0x10", "1 2", "--1", "٣"}) {
        EXPECT_EQ(toInteger(QString::fromUtf8(bad)), std::nullopt) << bad;
    }
}

TEST(StoredText, BooleansIgnoreCaseAndRefuseOtherWords) {
    EXPECT_EQ(fromBool(true), QStringLiteral("True"));
    EXPECT_EQ(fromBool(false), QStringLiteral("False"));
    EXPECT_EQ(toBool(QStringLiteral("true")), true);
    EXPECT_EQ(toBool(QStringLiteral("FALSE")), false);
    for (const char* other : {"yes", "1", "0", "", "Truee", "ja"}) {
        EXPECT_EQ(toBool(QString::fromUtf8(other)), std::nullopt) << other;
    }
}

TEST(StoredText, RealsUseEighteenDigitsAndAPointWhateverTheLocale) {
    EXPECT_EQ(fromReal(1.5L, 18), QStringLiteral("1.5"));
    EXPECT_EQ(fromReal(1.33L, 18), QStringLiteral("1.33"));
    EXPECT_EQ(fromReal(4.0L, 18), QStringLiteral("4"));
    EXPECT_EQ(fromReal(1.0L / 3.0L, 18), QStringLiteral("0.333333333333333333"));
    EXPECT_EQ(fromReal(1.0L / 3.0L, 15), QStringLiteral("0.333333333333333"));
    EXPECT_EQ(fromReal(1.5e20L, 18), QStringLiteral("1.5E20"));
    EXPECT_EQ(fromReal(-2.5e-7L, 18), QStringLiteral("-2.5E-7"));
    // Written under any locale, read under a point or a comma locale.
    for (const QChar sep : {QChar(u'.'), QChar(u',')}) {
        EXPECT_EQ(toReal(QStringLiteral("1.5"), sep), 1.5L);
        EXPECT_EQ(toReal(QStringLiteral("1.33"), sep), 1.33L) << "exact to the last extended digit";
        EXPECT_EQ(toReal(QStringLiteral(" -2 "), sep), -2.0L);
        EXPECT_EQ(toReal(QStringLiteral("1.5E20"), sep), 1.5e20L);
        EXPECT_EQ(toReal(QStringLiteral(".5"), sep), 0.5L);
        for (const char* bad : {"abc", "", "1.5.5", "1e", "1 000", "0x1p3", "inf", "nan"}) {
            EXPECT_EQ(toReal(QString::fromUtf8(bad), sep), std::nullopt) << bad;
        }
    }
    // A comma is the locale's own separator only where it is one.
    EXPECT_EQ(toReal(QStringLiteral("1,5"), u','), 1.5L);
    EXPECT_EQ(toReal(QStringLiteral("1,5"), u'.'), std::nullopt);
    // A value of up to 18 significant digits reads back as it was; others to
    // within the last written digit.
    for (long double v : {1.5L, 1.33L, 1.329L, 123456789.123456789L}) {
        EXPECT_EQ(toReal(fromReal(v, 18), u','), v);
    }
    const long double seventh = 10.0L / 7.0L;
    EXPECT_LT(std::abs(*toReal(fromReal(seventh, 18), u'.') - seventh), 1e-17L);
}

TEST(StoredText, TrimmingTakesBlanksAndControlCharacters) {
    EXPECT_EQ(trimmed(QStringLiteral(" \t\r\n Best \x01\x1f")), QStringLiteral("Best"));
    EXPECT_EQ(trimmed(QStringLiteral("a\r\nb")), QStringLiteral("a\r\nb"));
    EXPECT_EQ(trimmed(QStringLiteral("\u00a0x\u00a0")), QStringLiteral("\u00a0x\u00a0"));
    EXPECT_EQ(trimmed(QStringLiteral("   ")), QString());
}

TEST(StoredText, NamesOfValuesAndListSections) {
    EXPECT_EQ(valueName(QStringLiteral("m_edDest"), QStringLiteral("Text")),
              QStringLiteral("m_edDest_Text"));
    EXPECT_EQ(listSection(QStringLiteral("Language"), QStringLiteral("m_strhMessages_Strings")),
              QStringLiteral("Language.m_strhMessages_Strings"));
    EXPECT_EQ(splitEntry(QStringLiteral("m_edRatio.Value")),
              std::make_pair(QStringLiteral("m_edRatio"), QStringLiteral("Value")));
    EXPECT_EQ(splitEntry(QStringLiteral("a.b.c")),
              std::make_pair(QStringLiteral("a"), QStringLiteral("b.c")));
    for (const char* bad : {"m_edDest", ".Text", "m_edDest.", "", "."}) {
        EXPECT_EQ(splitEntry(QString::fromUtf8(bad)), std::nullopt) << bad;
    }
}

TEST(StoredText, PlacementTexts) {
    EXPECT_EQ(screenSuffix(1024, 768), QStringLiteral("(1024x768)"));
    EXPECT_EQ(fromQuad({265, 106, 843, 497}), QStringLiteral("265,106,843,497"));
    const std::array<int, 4> def{1, 2, 3, 4};
    EXPECT_EQ(toQuad(QStringLiteral("10, 20 30,,40"), def), (std::array<int, 4>{10, 20, 30, 40}));
    EXPECT_EQ(toQuad(QStringLiteral("-5,x"), def), (std::array<int, 4>{-5, 2, 3, 4}));
    EXPECT_EQ(toQuad(QString(), def), def);
    EXPECT_EQ(showStateFromCode(9), ShowState::Normal);
    EXPECT_EQ(showStateFromCode(7), ShowState::Minimized);
    EXPECT_EQ(showStateFromCode(3), ShowState::Maximized);
    EXPECT_EQ(showStateFromCode(4), std::nullopt);
    EXPECT_EQ(showStateFromCode(0), std::nullopt);
    EXPECT_EQ(codeFromShowState(ShowState::Minimized), 2);
}
