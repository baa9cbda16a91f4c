#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include "settings/RegDocument.h"

using pictavo::RegDocument;

// Every input the store's fuzzer was seeded with or found (minimised with
// -merge=1) still reads as before: refused, or written back as a file that
// reads as the same document.
TEST(RegFuzzCorpus, EveryFileIsRefusedOrReadsBackTheSame) {
    const QDir corpus(QStringLiteral(PICTAVO_REG_FUZZ_CORPUS));
    const QStringList names = corpus.entryList(QDir::Files);
    int accepted = 0;
    for (const QString& name : names) {
        QFile file(corpus.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << name.toStdString();
        const std::optional<RegDocument> first = RegDocument::parse(file.readAll());
        if (!first) {
            continue;
        }
        ++accepted;
        const QByteArray written = first->serialize();
        const std::optional<RegDocument> second = RegDocument::parse(written);
        ASSERT_TRUE(second.has_value()) << name.toStdString();
        EXPECT_TRUE(*second == *first) << name.toStdString();
        EXPECT_EQ(second->serialize(), written) << name.toStdString();
    }
    EXPECT_GE(names.size(), 20);
    EXPECT_GE(accepted, names.size() / 2);
}
