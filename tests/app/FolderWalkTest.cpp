#include "app/FolderWalk.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QStringList>

#include <ctime>
#include <deque>
#include <functional>
#include <initializer_list>

#include "FakeCropWindow.h"
#include "support/TempDir.h"

using Command = FakeCropWindow::Command;

namespace {

class FolderWalkTest : public ::testing::Test {
protected:
    FolderWalkTest()
        : root(QString::fromStdString(tmp.path())),
          source(root + QStringLiteral("/src")),
          dest(root + QStringLiteral("/out")),
          walk([this] { wait(); }) {
        QDir().mkpath(source);
        QDir().mkpath(dest);
        walk.setCropWindow(&crop);
    }

    void TearDown() override { EXPECT_FALSE(crop.endless) << "the walk does not end"; }

    // The main window's wait: the user acts, and the 100 ms timer looks.
    void wait() {
        if (++waits > 1000) {
            ADD_FAILURE() << "the walk does not end";
            crop.hide();
            return;
        }
        if (beforeAct) {
            beforeAct();
        }
        crop.act([this] { walk.StepBack(); });
        walk.TimerTick();
    }

    void files(const QString& folder, std::initializer_list<const char*> names) {
        QDir().mkpath(folder);
        for (const char* name : names) {
            QFile f(folder + QLatin1Char('/') + QString::fromUtf8(name));
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        }
    }

    QString run() {
        crop.resetCounters();
        const QString resume = walk.Run(source, dest);
        crop.hide();
        return resume;
    }

    // The names (below the source folder) of what was shown.
    QStringList shownNames() const {
        QStringList result;
        for (const QString& p : crop.shown) {
            result << p.mid(source.size() + 1);
        }
        return result;
    }

    pictavo::test::TempDir tmp;
    QString root;
    QString source;
    QString dest;
    FakeCropWindow crop;
    FolderWalk walk;
    int waits = 0;
    std::function<void()> beforeAct;
};

QStringList list(std::initializer_list<const char*> names) {
    QStringList result;
    for (const char* n : names) {
        result << QString::fromUtf8(n);
    }
    return result;
}

}  // namespace

TEST_F(FolderWalkTest, ShowsJpegFilesInNameOrderAndNamesTheirCuts) {
    files(source, {"d.jpeg", "B.JPG", "a.jpg", "c.png", "noext", ".e.jpg", "f.Jpeg"});
    files(source + QStringLiteral("/c_sub"), {"x.jpg"});
    EXPECT_EQ(run(), QString());
    EXPECT_EQ(shownNames(), list({".e.jpg", "a.jpg", "B.JPG", "d.jpeg", "f.Jpeg"}));
    EXPECT_EQ(crop.dests.first(), dest + QStringLiteral("/_.e.jpg"));
    EXPECT_EQ(crop.processed(), 5);
    EXPECT_EQ(walk.position(), 0);
}

TEST_F(FolderWalkTest, MoreFormatsAreWalkedOnlyWhenAskedAndCutUnderTheirOwnNames) {
    files(source, {"a.HEIC", "a.jpg", "b.png", "c.Tiff", "d.webp", "e.gif", "f.heif", "g.TIF"});
    const struct {
        bool moreFormats;
        QStringList shown;
        QStringList prefetched;
    } cases[] = {
        {false, list({"a.jpg"}), {}},
        {true, list({"a.HEIC", "a.jpg", "b.png", "c.Tiff", "d.webp", "f.heif", "g.TIF"}),
         list({"a.jpg", "b.png", "c.Tiff", "d.webp", "f.heif", "g.TIF"})},
    };
    for (const auto& c : cases) {
        crop.shown.clear();
        crop.dests.clear();
        crop.prefetched.clear();
        crop.m_moreFormats = c.moreFormats;
        EXPECT_EQ(run(), QString());
        EXPECT_EQ(shownNames(), c.shown);
        QStringList hinted;
        for (const auto& hint : crop.prefetched) {
            hinted << hint.path.mid(source.size() + 1);
        }
        EXPECT_EQ(hinted, c.prefetched);
    }
    // A HEIC and a JPEG of the same name keep a cut each.
    EXPECT_EQ(crop.dests.mid(0, 3),
              QStringList({dest + QStringLiteral("/_a.HEIC.jpg"), dest + QStringLiteral("/_a.jpg"),
                           dest + QStringLiteral("/_b.png.jpg")}));
}

TEST_F(FolderWalkTest, RecursionWalksASubfolderWhereItComesInTheOrder) {
    files(source, {"a.jpg", "c.png", "d.jpg"});
    files(source + QStringLiteral("/c_sub"), {"y.jpg", "x.JPG"});
    files(source + QStringLiteral("/c_sub/deep"), {"z.jpg"});
    crop.m_recurse = true;
    EXPECT_EQ(run(), QString());
    EXPECT_EQ(shownNames(),
              list({"a.jpg", "c_sub/deep/z.jpg", "c_sub/x.JPG", "c_sub/y.jpg", "d.jpg"}));
    EXPECT_EQ(
        crop.dests,
        QStringList({dest + QStringLiteral("/_a.jpg"), dest + QStringLiteral("/c_sub_deep_z.jpg"),
                     dest + QStringLiteral("/c_sub_x.JPG"), dest + QStringLiteral("/c_sub_y.jpg"),
                     dest + QStringLiteral("/_d.jpg")}));
}

TEST_F(FolderWalkTest, StoppingOnTheThirdImageResumesThereNextTime) {
    files(source, {"1.jpg", "2.jpg", "3.jpg", "4.jpg"});
    crop.script = {Command::Crop, Command::Skip, Command::Escape};
    EXPECT_EQ(run(), QStringLiteral("2"));
    EXPECT_EQ(crop.processed(), 2);
    EXPECT_EQ(crop.cropped(), 1);

    // The next run passes over the first two without loading them.
    crop.shown.clear();
    crop.attempts.clear();
    walk.setStartFrom(2);
    EXPECT_EQ(run(), QString());
    EXPECT_EQ(shownNames(), list({"3.jpg", "4.jpg"}));
    EXPECT_EQ(crop.attempts.size(), 2);
    EXPECT_EQ(crop.processed(), 2);
    EXPECT_EQ(walk.startFrom(), 0);
}

TEST_F(FolderWalkTest, StoppingOnTheFirstImageLeavesNoResumeNumber) {
    files(source, {"1.jpg", "2.jpg"});
    crop.script = {Command::Escape};
    EXPECT_EQ(run(), QString());
    EXPECT_EQ(crop.processed(), 0);
}

TEST_F(FolderWalkTest, ResumeNumberBeyondTheEndPassesOverEverything) {
    files(source, {"1.jpg", "2.jpg", "3.jpg"});
    walk.setStartFrom(7);
    EXPECT_EQ(run(), QString());
    EXPECT_TRUE(crop.attempts.isEmpty());
    EXPECT_EQ(crop.processed(), 0);
    EXPECT_EQ(waits, 0);
}

TEST_F(FolderWalkTest, BackOnTheThirdImageShowsTheSecondThenGoesOn) {
    files(source, {"1.jpg", "2.jpg", "3.jpg", "4.jpg"});
    crop.script = {Command::Skip, Command::Skip, Command::Back};
    EXPECT_EQ(run(), QString());
    EXPECT_EQ(shownNames(), list({"1.jpg", "2.jpg", "3.jpg", "2.jpg", "3.jpg", "4.jpg"}));
    // The back command counts nothing.
    EXPECT_EQ(crop.processed(), 5);
}

TEST_F(FolderWalkTest, BackOnTheFirstImageShowsItAgain) {
    files(source, {"1.jpg", "2.jpg"});
    crop.script = {Command::Back, Command::Back, Command::Skip, Command::Back};
    EXPECT_EQ(run(), QString());
    EXPECT_EQ(shownNames(), list({"1.jpg", "1.jpg", "1.jpg", "2.jpg", "1.jpg", "2.jpg"}));
}

TEST_F(FolderWalkTest, StoppingDuringAReplayLeavesThePositionOfTheReplayedImage) {
    files(source, {"1.jpg", "2.jpg", "3.jpg", "4.jpg"});
    crop.script = {Command::Skip, Command::Skip, Command::Back, Command::Escape};
    EXPECT_EQ(run(), QStringLiteral("1"));
    EXPECT_EQ(shownNames(), list({"1.jpg", "2.jpg", "3.jpg", "2.jpg"}));
}

TEST_F(FolderWalkTest, AFailingLoadDoesNotTakeAPosition) {
    files(source, {"a.jpg", "b.jpg", "c.jpg", "d.jpg"});
    crop.failing = {source + QStringLiteral("/b.jpg")};
    crop.script = {Command::Skip, Command::Escape};
    // c.jpg takes the position b.jpg would have had: resume number 1.
    EXPECT_EQ(run(), QStringLiteral("1"));
    EXPECT_EQ(crop.attempts,
              QStringList({source + QStringLiteral("/a.jpg"), source + QStringLiteral("/b.jpg"),
                           source + QStringLiteral("/c.jpg")}));
    EXPECT_EQ(crop.processed(), 1);

    // The next run passes over a.jpg only; b.jpg is tried again, then c.jpg.
    crop.attempts.clear();
    walk.setStartFrom(1);
    run();
    EXPECT_EQ(crop.attempts.first(), source + QStringLiteral("/b.jpg"));
    EXPECT_EQ(crop.shown.mid(crop.shown.size() - 2),
              QStringList({source + QStringLiteral("/c.jpg"), source + QStringLiteral("/d.jpg")}));
}

TEST_F(FolderWalkTest, AReplayThatCannotBeLoadedMovesOn) {
    files(source, {"1.jpg", "2.jpg", "3.jpg", "4.jpg"});
    const QString second = source + QStringLiteral("/2.jpg");
    // 2.jpg goes away once it was shown; the back command on 3.jpg asks for it again.
    beforeAct = [&] {
        if (crop.shown.contains(second)) {
            crop.failing.insert(second);
        }
    };
    crop.script = {Command::Skip, Command::Skip, Command::Back};
    EXPECT_EQ(run(), QString());
    EXPECT_EQ(shownNames(), list({"1.jpg", "2.jpg", "3.jpg", "3.jpg", "4.jpg"}));
    EXPECT_EQ(crop.attempts.count(second), 2);
}

TEST_F(FolderWalkTest, AReplayAfterASubfolderKeepsTheSubfoldersCutName) {
    files(source, {"z.jpg"});
    files(source + QStringLiteral("/sub"), {"x.jpg"});
    crop.m_recurse = true;
    crop.script = {Command::Skip, Command::Back};
    run();
    EXPECT_EQ(shownNames(), list({"sub/x.jpg", "z.jpg", "sub/x.jpg", "z.jpg"}));
    EXPECT_EQ(crop.dests[2], dest + QStringLiteral("/sub_x.jpg"));
}

TEST_F(FolderWalkTest, ALinkBackIntoTheTreeIsNotFollowed) {
    files(source, {"a.jpg"});
    files(source + QStringLiteral("/sub"), {"b.jpg"});
    ASSERT_TRUE(QFile::link(source, source + QStringLiteral("/sub/loop")));
    ASSERT_TRUE(QFile::link(source + QStringLiteral("/sub"), source + QStringLiteral("/twin")));
    crop.m_recurse = true;
    EXPECT_EQ(run(), QString());
    EXPECT_EQ(shownNames(), list({"a.jpg", "sub/b.jpg"}));
}

TEST_F(FolderWalkTest, TheDestinationInsideTheSourceIsNotWalked) {
    dest = source + QStringLiteral("/cuts");
    files(source, {"a.jpg"});
    files(dest, {"_a.jpg"});
    files(source + QStringLiteral("/other"), {"b.jpg"});
    crop.m_recurse = true;
    EXPECT_EQ(run(), QString());
    EXPECT_EQ(shownNames(), list({"a.jpg", "other/b.jpg"}));
}

TEST_F(FolderWalkTest, HidingTheCropWindowStopsEveryLevel) {
    files(source + QStringLiteral("/a"), {"1.jpg", "2.jpg"});
    files(source, {"b.jpg"});
    crop.m_recurse = true;
    crop.script = {Command::Skip, Command::Escape};
    EXPECT_EQ(run(), QStringLiteral("1"));
    EXPECT_EQ(shownNames(), list({"a/1.jpg", "a/2.jpg"}));
    EXPECT_FALSE(walk.running());
}

TEST_F(FolderWalkTest, AFolderWithoutJpegFilesNeverShowsTheCropWindow) {
    files(source, {"a.png", "b.txt"});
    EXPECT_EQ(run(), QString());
    EXPECT_TRUE(crop.attempts.isEmpty());
    EXPECT_EQ(waits, 0);
    // A missing source folder walks nothing either.
    source += QStringLiteral("/missing");
    EXPECT_EQ(run(), QString());
}

TEST_F(FolderWalkTest, ASourceFolderGoneBeforeTheRunKeepsTheResumeNumber) {
    walk.setStartFrom(3);
    source += QStringLiteral("/unmounted");
    EXPECT_EQ(run(), QStringLiteral("3"));
    EXPECT_EQ(walk.goneFolder(), QFile::encodeName(source));
    EXPECT_TRUE(crop.attempts.isEmpty());
}

TEST_F(FolderWalkTest, NamesTheImageShownNextAheadOfTime) {
    files(source, {"a.jpg", "notes.txt", "b.JPG", "c.jpeg"});
    files(source + QStringLiteral("/sub"), {"d.jpg", "e.jpg"});
    crop.m_recurse = true;
    crop.script = {Command::Skip, Command::Crop, Command::Back, Command::Skip, Command::Skip,
                   Command::Skip, Command::Skip, Command::Skip, Command::Skip};
    run();
    ASSERT_GE(crop.shown.size(), 6);
    ASSERT_FALSE(crop.prefetched.isEmpty());
    for (const auto& hint : crop.prefetched) {
        // Every hint names what came next, also after going back; the last
        // image of the run has none.
        ASSERT_LT(hint.whileShowing + 1, crop.shown.size());
        EXPECT_EQ(hint.path, crop.shown[hint.whileShowing + 1]) << hint.whileShowing;
    }
    // At most one hint per image, and one for most of them (a subfolder next
    // in the listing gives none).
    EXPECT_LE(crop.prefetched.size(), crop.shown.size() - 1);
    EXPECT_GE(crop.prefetched.size(), crop.shown.size() - 3);
}

// A camera folder: many raw files, videos and side files between the pictures.
// The hint looks past them, and past a subfolder the walk does not enter.
TEST_F(FolderWalkTest, TheHintLooksPastOtherFilesUpToASubfolderTheWalkEnters) {
    files(source, {"a.jpg", "d.jpg", "e.xmp", "n.thm", "z.jpeg", "zz.wav"});
    for (int i = 0; i < 300; ++i) {
        files(source, {qPrintable(QStringLiteral("b%1.CR2").arg(i)),
                       qPrintable(QStringLiteral("c%1.MOV").arg(i))});
    }
    files(source + QStringLiteral("/m_sub"), {"x.jpg", "y.raw"});
    const auto hints = [this] {
        QStringList result;
        for (const auto& hint : crop.prefetched) {
            result << shownNames()[hint.whileShowing] + QLatin1Char('>') +
                          hint.path.mid(source.size() + 1);
        }
        return result;
    };
    run();
    EXPECT_EQ(shownNames(), list({"a.jpg", "d.jpg", "z.jpeg"}));
    EXPECT_EQ(hints(), list({"a.jpg>d.jpg", "d.jpg>z.jpeg"}));

    crop.shown.clear();
    crop.prefetched.clear();
    crop.m_recurse = true;
    run();
    EXPECT_EQ(shownNames(), list({"a.jpg", "d.jpg", "m_sub/x.jpg", "z.jpeg"}));
    EXPECT_EQ(hints(), list({"a.jpg>d.jpg"}));
}

TEST_F(FolderWalkTest, AFailingHintDisturbsNeitherTheImageNorThePosition) {
    files(source, {"1.jpg", "2.jpg", "3.jpg"});
    crop.prefetchFails = true;
    crop.script = {Command::Skip, Command::Back, Command::Skip, Command::Escape};
    EXPECT_EQ(run(), QStringLiteral("1"));
    EXPECT_EQ(shownNames(), list({"1.jpg", "2.jpg", "1.jpg", "2.jpg"}));
    EXPECT_EQ(crop.processed(), 2);
}

TEST_F(FolderWalkTest, ARunRemovesOnlyItsOwnStaleTemporaryFiles) {
    // What a write killed before its rename leaves, beside things that only
    // look like it.
    enum Kind { File, Folder, Link };
    const struct {
        const char* name;
        Kind kind;
        int ageSeconds;  // negative: changed after the run began
        bool stays;
    } cases[] = {
        {".pictavo-0badf00d.tmp", File, 3600, false},
        {".pictavo-1234abcd.tmp", File, -3600, true},  // another writer's, still growing
        {".pictavo-abcdef01.tmp", Folder, 3600, true},
        {".pictavo-abcdef02.tmp", Link, 3600, true},
        {".pictavo-notes.tmp", File, 3600, true},
        {"pictavo-0badf00d.tmp", File, 3600, true},
        {"_a.jpg", File, 3600, true},
    };
    files(root, {"target.jpg"});
    const QByteArray target = QFile::encodeName(root + QStringLiteral("/target.jpg"));
    const auto setAge = [](const QByteArray& path, int seconds) {
        const timespec times[2] = {{time(nullptr) - seconds, 0}, {time(nullptr) - seconds, 0}};
        return utimensat(AT_FDCWD, path.constData(), times, AT_SYMLINK_NOFOLLOW) == 0;
    };
    ASSERT_TRUE(setAge(target, 3600));
    QStringList expected;
    for (const auto& c : cases) {
        const QString path = dest + QLatin1Char('/') + QString::fromUtf8(c.name);
        const QByteArray native = QFile::encodeName(path);
        if (c.kind == Folder) {
            ASSERT_TRUE(QDir().mkpath(path));
        } else if (c.kind == Link) {
            ASSERT_EQ(symlink(target.constData(), native.constData()), 0);
        } else {
            QFile f(path);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        }
        ASSERT_TRUE(setAge(native, c.ageSeconds)) << c.name;
        if (c.stays) {
            expected << QString::fromUtf8(c.name);
        }
    }
    files(source, {"a.jpg"});
    run();

    QStringList left = QDir(dest).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    expected.sort();
    left.sort();
    EXPECT_EQ(left, expected);
    EXPECT_TRUE(QFile::exists(root + QStringLiteral("/target.jpg")));
}

TEST_F(FolderWalkTest, AFailedCutTakesTheRunBackToItsPicture) {
    files(source, {"a.jpg", "b.jpg", "c.jpg", "d.jpg"});
    // While c is up, the cut of a fails: the run is back at a, then shows
    // b and c again and goes on.
    crop.script = {Command::Crop, Command::Crop, Command::Skip};
    crop.cutFailsWhileShowing = {{2, 0}};
    EXPECT_EQ(run(), QString());
    EXPECT_EQ(crop.returnedTo, QStringList({source + QStringLiteral("/a.jpg")}));
    EXPECT_EQ(shownNames(), list({"a.jpg", "b.jpg", "c.jpg", "b.jpg", "c.jpg", "d.jpg"}));
    EXPECT_EQ(crop.processed(), 5);
}

TEST_F(FolderWalkTest, AFailedCutComesBackBeforeTheWalkEntersASubfolder) {
    files(source, {"a.jpg", "c.jpg"});
    files(source + QStringLiteral("/b_sub"), {"x.jpg"});
    crop.m_recurse = true;
    // The cut of a fails once the walk waits for it, before b_sub: a is shown
    // again from this folder's list, then the walk goes on.
    crop.script = {Command::Crop, Command::Crop};
    crop.failAtEnd = {source + QStringLiteral("/a.jpg")};
    EXPECT_EQ(run(), QString());
    EXPECT_EQ(crop.returnedTo, QStringList({source + QStringLiteral("/a.jpg")}));
    EXPECT_EQ(shownNames(), list({"a.jpg", "b_sub/x.jpg", "c.jpg"}));
    EXPECT_EQ(crop.processed(), 3);
}

TEST_F(FolderWalkTest, TheResumePointNeverPassesAFailedCut) {
    files(source, {"a.jpg", "b.jpg", "c.jpg"});
    const QString b = source + QStringLiteral("/b.jpg");
    const QString c = source + QStringLiteral("/c.jpg");
    struct Case {
        const char* what;
        std::deque<Command> script;
        QMap<int, int> failWhileShowing;
        QStringList failAtEnd;
        const char* resume;
    };
    const QList<Case> cases = {
        {"left on c, all written", {Command::Crop, Command::Crop, Command::Escape}, {}, {}, "2"},
        {"b fails while c is up, left there",
         {Command::Crop, Command::Crop, Command::Escape},
         {{2, 1}},
         {},
         "1"},
        {"left on c, b fails while the run ends",
         {Command::Crop, Command::Crop, Command::Escape},
         {},
         {b},
         "1"},
        {"all done, c fails while the run ends",
         {Command::Crop, Command::Crop, Command::Crop},
         {},
         {c},
         "2"},
    };
    for (const Case& one : cases) {
        crop.script = one.script;
        crop.cutFailsWhileShowing = one.failWhileShowing;
        crop.failAtEnd = one.failAtEnd;
        crop.cutFailedAnswers.clear();
        crop.shown.clear();
        walk.setStartFrom(0);
        EXPECT_EQ(run(), QString::fromUtf8(one.resume)) << one.what;
        // After the walk nothing goes back: only the resume point moves.
        if (!one.failAtEnd.isEmpty()) {
            EXPECT_EQ(crop.cutFailedAnswers, QList<bool>({false})) << one.what;
        }
    }
}
