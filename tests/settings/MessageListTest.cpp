#include "settings/MessageList.h"

#include <gtest/gtest.h>

namespace {
const QStringList kBuiltIn = {QStringLiteral("%d images processed, %d images cropped."),
                              QStringLiteral("Final Message"),
                              QStringLiteral("Can't copy file %s to %s")};
}

TEST(MessageList, FormatsBuiltInTexts) {
    MessageList list(kBuiltIn);
    EXPECT_EQ(list.format(0, {QStringLiteral("3"), QStringLiteral("2")}),
              QStringLiteral("3 images processed, 2 images cropped."));
    EXPECT_EQ(list.format(2, {QStringLiteral("/a%d.jpg"), QStringLiteral("/b.jpg")}),
              QStringLiteral("Can't copy file /a%d.jpg to /b.jpg"));
}

TEST(MessageList, ShortTranslationFallsBackPerPosition) {
    MessageList list(kBuiltIn);
    list.setStrings({QStringLiteral("%d Bilder, %d zugeschnitten.")});
    EXPECT_EQ(list.format(0, {QStringLiteral("1"), QStringLiteral("0")}),
              QStringLiteral("1 Bilder, 0 zugeschnitten."));
    EXPECT_EQ(list.text(1), QStringLiteral("Final Message"));
    EXPECT_EQ(list.text(7), QString());
}

TEST(MessageList, TranslationWithOtherPlaceholdersIsNotUsed) {
    MessageList list(kBuiltIn);
    for (const char* bad : {"%s Bilder, %d", "%d Bilder", "%d %d %d", "%n %d", "100%", "%x%d"}) {
        list.setStrings({QString::fromUtf8(bad)});
        EXPECT_EQ(list.format(0, {QStringLiteral("1"), QStringLiteral("2")}),
                  QStringLiteral("1 images processed, 2 images cropped."))
            << bad;
    }
    list.setStrings({QStringLiteral("100%% %d/%d")});
    EXPECT_EQ(list.format(0, {QStringLiteral("1"), QStringLiteral("2")}),
              QStringLiteral("100% 1/2"));
}

TEST(MessageList, EmptyTranslationKeepsTheList) {
    MessageList list(kBuiltIn);
    list.setStrings({});
    EXPECT_EQ(list.strings(), kBuiltIn);
}
