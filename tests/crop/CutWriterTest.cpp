#include "crop/CutWriter.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "support/ExternalTools.h"
#include "support/JpegFixtures.h"
#include "support/TempDir.h"

using namespace pictavo;
using namespace pictavo::test;

namespace {

Picture gradient(int width, int height) {
    Picture picture(width, height);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* row = picture.scanLine(y);
        for (int x = 0; x < width * 3; ++x)
            row[x] = static_cast<std::uint8_t>(x * 7 + y * 3);
    }
    return picture;
}

CutJob jobFor(const std::string& dest, const Picture& picture = {}) {
    CutJob job;
    job.picture = picture;
    job.area = {0, 0, picture.width(), picture.height()};
    job.dest = dest;
    return job;
}

// A disk that writes a job only when the test lets it.
class Gate {
public:
    void admit(int n) {
        {
            const std::lock_guard lock(m_mutex);
            m_admitted += n;
        }
        m_changed.notify_all();
    }
    void pass() {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_admitted > 0; });
        --m_admitted;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_admitted = 0;
};

bool eventually(const std::function<bool()>& condition) {
    for (int i = 0; i < 500; ++i) {
        if (condition())
            return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return condition();
}

}  // namespace

TEST(CutWriter, AtMostTwoWaitAndAThirdClickWaitsForTheOldestNeverDroppingOne) {
    Gate gate;
    std::vector<std::string> written;
    std::atomic<int> reported{0};
    std::shared_ptr<const std::atomic<std::size_t>> count;
    {
        CutWriter writer(2, [&](const CutJob& job) {
            gate.pass();
            written.push_back(job.dest);
        });
        writer.setOnFinished([&] { ++reported; });
        count = writer.pendingCount();
        writer.submit(jobFor("1"));
        writer.submit(jobFor("2"));
        EXPECT_EQ(writer.pending(), 2u);
        EXPECT_EQ(count->load(), 2u);
        EXPECT_TRUE(writer.pendingFor("2"));
        EXPECT_FALSE(writer.pendingFor("3"));

        std::atomic<bool> thirdQueued{false};
        std::thread clicker([&] {
            writer.submit(jobFor("3"));
            thirdQueued = true;
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        EXPECT_FALSE(thirdQueued) << "a third cut was queued beside two waiting ones";
        gate.admit(1);
        EXPECT_TRUE(eventually([&] { return thirdQueued.load(); }));
        clicker.join();
        EXPECT_EQ(writer.pending(), 2u);
        EXPECT_FALSE(writer.waitIdle(50));

        gate.admit(2);
        EXPECT_TRUE(writer.waitIdle(5000));
        EXPECT_EQ(count->load(), 0u);
        const std::vector<CutOutcome> outcomes = writer.takeFinished();
        ASSERT_EQ(outcomes.size(), 3u);
        for (std::size_t i = 0; i < outcomes.size(); ++i) {
            EXPECT_EQ(outcomes[i].ticket, i + 1);
            EXPECT_EQ(outcomes[i].dest, std::to_string(i + 1));
            EXPECT_TRUE(outcomes[i].written);
        }
        EXPECT_TRUE(writer.takeFinished().empty());
        // Left pending at the end: the writer finishes it before it goes.
        writer.submit(jobFor("4"));
        gate.admit(1);
    }
    EXPECT_EQ(written, (std::vector<std::string>{"1", "2", "3", "4"}));
    EXPECT_EQ(reported.load(), 4);
    // Still readable, and true, once the writer is gone.
    EXPECT_EQ(count->load(), 0u);
}

TEST(CutWriter, AFailureNamesTheFileKeepsTheJobAndLaterCutsAreStillWritten) {
    const TempDir dir;
    const Picture picture = gradient(120, 80);
    const std::string missing = dir.file("no/such/folder/a.jpg");
    const std::string later = dir.file("b.jpg");
    CutWriter writer;
    CutJob failing = jobFor(missing, picture);
    CutJob good = jobFor(later, picture);
    good.area = {10, 5, 110, 70};
    good.quality = 60;
    writer.submit(std::move(failing));
    writer.submit(std::move(good));
    ASSERT_TRUE(writer.waitIdle(10000));
    const std::vector<CutOutcome> outcomes = writer.takeFinished();
    ASSERT_EQ(outcomes.size(), 2u);

    EXPECT_FALSE(outcomes[0].written);
    EXPECT_NE(outcomes[0].error.find(missing), std::string::npos) << outcomes[0].error;
    ASSERT_TRUE(outcomes[0].failedJob.has_value());
    // The picture to show again is the one handed over, not a copy.
    EXPECT_TRUE(outcomes[0].failedJob->picture.sharesRasterWith(picture));
    EXPECT_EQ(::access(missing.c_str(), F_OK), -1);

    EXPECT_TRUE(outcomes[1].written);
    EXPECT_FALSE(outcomes[1].failedJob.has_value());
    // The bytes are those of a cut written on the spot: area and quality
    // travel with the job.
    EXPECT_EQ(readBytes(later), cjpegReference(picture, {10, 5, 110, 70}, 60, dir.path()));
}
