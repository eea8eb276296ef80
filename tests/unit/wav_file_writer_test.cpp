#include "gst/wav_file_writer.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <mutex>
#include <thread>
#include <vector>

#include "support/wav_reader.h"

namespace {

// The threads that asked for an fdatasync, in order.
std::mutex syncMutex;
std::vector<std::thread::id> syncThreads;

std::vector<std::thread::id> SyncsSince(std::size_t count) {
    std::lock_guard lock(syncMutex);
    return {syncThreads.begin() + static_cast<long>(count), syncThreads.end()};
}

}  // namespace

// Every fdatasync of this program comes here first.
extern "C" int fdatasync(int fd) {
    {
        std::lock_guard lock(syncMutex);
        syncThreads.push_back(std::this_thread::get_id());
    }
    return static_cast<int>(::syscall(SYS_fdatasync, fd));
}

namespace {

constexpr int kRate = 8000;
constexpr int kChannels = 2;
constexpr int kBytesPerSecond = kRate * kChannels * 2;

// Ten milliseconds of a ramp, so that every frame is told apart.
std::vector<std::int16_t> Chunk(int index) {
    std::vector<std::int16_t> samples(kRate / 100 * kChannels);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<std::int16_t>(index * 1000 + static_cast<int>(i));
    return samples;
}

class WavFileWriterTest : public ::testing::Test {
  protected:
    QString Path() const { return folder.filePath("take.wav"); }
    std::string PathBytes() const { return Path().toStdString(); }
    void Append(WavFileWriter& writer, int chunks) {
        for (int i = 0; i < chunks; ++i) {
            const std::vector<std::int16_t> chunk = Chunk(i);
            ASSERT_TRUE(writer.Append(chunk.data(), chunk.size() * 2));
        }
    }
    QTemporaryDir folder;
};

TEST_F(WavFileWriterTest, TheFileIsAValidWavAtEveryMomentAndExactWhenFinished) {
    WavFileWriter writer;
    ASSERT_TRUE(writer.Open(PathBytes(), kRate, kChannels));
    std::optional<WavContents> wav = ReadWav(Path());
    ASSERT_TRUE(wav);
    EXPECT_EQ(wav->declaredData, 0u);
    EXPECT_EQ(wav->rate, kRate);
    EXPECT_EQ(wav->channels, kChannels);

    std::uint64_t appended = 0;
    for (int i = 0; i < 250; ++i) {
        const std::vector<std::int16_t> chunk = Chunk(i);
        ASSERT_TRUE(writer.Append(chunk.data(), chunk.size() * 2));
        appended += chunk.size() * 2;
        wav = ReadWav(Path());
        ASSERT_TRUE(wav) << "after chunk " << i;
        // The header never claims more than is there, nor lags what was handed over by a
        // second or more.
        ASSERT_LE(wav->declaredData, wav->dataOnDisk);
        ASSERT_LT(appended - wav->declaredData, std::uint64_t(kBytesPerSecond));
        ASSERT_EQ(wav->riffSize, wav->declaredData + 72);
    }
    writer.Finish();
    wav = ReadWav(Path());
    ASSERT_TRUE(wav);
    EXPECT_EQ(wav->declaredData, 250u * kBytesPerSecond / 100);
    EXPECT_EQ(wav->declaredData, wav->dataOnDisk);
    EXPECT_EQ(wav->samples[1], Chunk(0)[1]);
    EXPECT_EQ(wav->samples.back(), Chunk(249).back());
    EXPECT_FALSE(wav->rf64);
}

TEST_F(WavFileWriterTest, PastTheClassicLimitTheFileBecomesRf64) {
    WavFileWriter writer(kBytesPerSecond);  // one second
    ASSERT_TRUE(writer.Open(PathBytes(), kRate, kChannels));
    Append(writer, 100);
    writer.Finish();
    EXPECT_FALSE(writer.isRf64());
    EXPECT_FALSE(ReadWav(Path())->rf64);
    ASSERT_TRUE(writer.Open(PathBytes(), kRate, kChannels));
    Append(writer, 101);
    EXPECT_TRUE(writer.isRf64());
    std::optional<WavContents> wav = ReadWav(Path());
    ASSERT_TRUE(wav);
    EXPECT_TRUE(wav->rf64);
    EXPECT_EQ(wav->declaredData, wav->dataOnDisk);
    Append(writer, 49);
    writer.Finish();
    wav = ReadWav(Path());
    ASSERT_TRUE(wav);
    EXPECT_TRUE(wav->rf64);
    EXPECT_EQ(wav->declaredData, 150u * kBytesPerSecond / 100);
    EXPECT_EQ(wav->samples.back(), Chunk(48).back());
    EXPECT_EQ(wav->riffSize, wav->declaredData + 72);
}

TEST_F(WavFileWriterTest, TheTakeReachesTheDiskEveryFewSecondsFromItsThreadAndAtTheEnd) {
    WavFileWriter writer;
    ASSERT_TRUE(writer.Open(PathBytes(), kRate, kChannels));
    const std::size_t before = SyncsSince(0).size();
    std::thread streaming([&] { Append(writer, 1200); });  // twelve seconds
    const std::thread::id streamingThread = streaming.get_id();
    streaming.join();
    const std::vector<std::thread::id> during = SyncsSince(before);
    EXPECT_EQ(during.size(), 12u / WavFileWriter::kSyncSeconds);
    for (std::thread::id thread : during) EXPECT_EQ(thread, streamingThread);
    writer.Finish();
    EXPECT_EQ(SyncsSince(before).size(), during.size() + 1) << "the end is on the disk";
}

TEST_F(WavFileWriterTest, AFileThatCannotBeStartedIsNotLeftBehind) {
    WavFileWriter writer;
    EXPECT_FALSE(writer.Open(folder.filePath("missing/take.wav").toStdString(), kRate, 1));
    EXPECT_EQ(writer.error(), ENOENT);
    EXPECT_FALSE(writer.isOpen());

    // A disk that takes no more than a few bytes.
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    const rlimit saved = limit;
    limit.rlim_cur = 40;
    setrlimit(RLIMIT_FSIZE, &limit);
    const bool opened = writer.Open(PathBytes(), kRate, kChannels);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_FALSE(opened);
    EXPECT_NE(writer.error(), 0);
    EXPECT_FALSE(QFile::exists(Path())) << "an empty or cut header is no WAV";
}

TEST_F(WavFileWriterTest, AWriteThatFailsKeepsEveryWholeFrameBeforeIt) {
    WavFileWriter writer;
    ASSERT_TRUE(writer.Open(PathBytes(), kRate, kChannels));
    // The file may hold 11 chunks and a byte: the next block reaches the disk only in part.
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    const rlimit saved = limit;
    limit.rlim_cur = 80 + 11 * kBytesPerSecond / 100 + 1;
    setrlimit(RLIMIT_FSIZE, &limit);
    bool everyAppend = true;
    for (int i = 0; i < 60; ++i) {
        const std::vector<std::int16_t> chunk = Chunk(i);
        everyAppend = writer.Append(chunk.data(), chunk.size() * 2) && everyAppend;
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    EXPECT_FALSE(everyAppend);
    EXPECT_EQ(writer.error(), EFBIG);
    writer.Finish();
    const std::optional<WavContents> wav = ReadWav(Path());
    ASSERT_TRUE(wav);
    EXPECT_EQ(wav->declaredData, 11u * kBytesPerSecond / 100);
    EXPECT_EQ(wav->declaredData, wav->dataOnDisk);
    EXPECT_EQ(wav->samples.back(), Chunk(10).back());
}

}  // namespace
