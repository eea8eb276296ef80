#include <gtest/gtest.h>

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <chrono>
#include <thread>

#include "support/sound_rig_env.h"
#include "support/wav_reader.h"

namespace {

// A recording process killed without warning leaves a file whose header is at most a
// second behind its data.
TEST(RecordingKilled, LeavesAReadableFileMissingAtMostTheLastSecond) {
    REQUIRE_SOUND_RIG();
    QTemporaryDir folder;
    const QString path = folder.filePath("killed.wav");
    QProcess recorder;
    recorder.start(TARVELO_RECORD_PROBE, {path, "Speakers - output mix"});
    ASSERT_TRUE(recorder.waitForReadyRead(10000)) << recorder.readAllStandardError().toStdString();
    ASSERT_EQ(recorder.readLine().trimmed(), "recording");
    // Two and a half seconds of the output mix (44.1 or 48 kHz stereo), however the
    // server portions it out.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (QFileInfo(path).size() < 80 + 48000 * 4 * 5 / 2 &&
           std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    recorder.kill();  // SIGKILL: no handler runs, nothing is finalised
    ASSERT_TRUE(recorder.waitForFinished(5000));
    EXPECT_EQ(recorder.exitStatus(), QProcess::CrashExit);

    const std::optional<WavContents> wav = ReadWav(path);
    ASSERT_TRUE(wav);
    const double onDisk = double(wav->dataOnDisk) / (wav->rate * wav->channels * 2);
    EXPECT_GT(onDisk, 2.0);
    EXPECT_GE(wav->seconds(), onDisk - 1.0);
    EXPECT_LE(wav->declaredData, wav->dataOnDisk);
    EXPECT_EQ(wav->riffSize, wav->declaredData + 72);

    // The sound tools of the system read it as well.
    QProcess soxi;
    soxi.start("soxi", {"-D", path});
    if (soxi.waitForFinished(5000) && soxi.exitCode() == 0) {
        EXPECT_NEAR(soxi.readAllStandardOutput().trimmed().toDouble(), wav->seconds(), 0.01);
    }
}

}  // namespace
