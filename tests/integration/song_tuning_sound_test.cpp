#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <limits>

#include "desktop/event_loop_wait.h"
#include "fakes/fake_platform.h"
#include "gst/gst_playback_pipeline.h"
#include "gst/karaoke/karaoke_source.h"
#include "gst/wav_file_writer.h"
#include "karaoke/karaoke_frames.h"
#include "karaoke/lrc_reader.h"
#include "karaoke_test_pipeline.h"
#include "playback/player_window.h"
#include "resources/resource_ids.h"
#include "support/karaoke_files.h"
#include "support/media_maker.h"
#include "support/monitor_capture.h"
#include "support/posted_event_recorder.h"
#include "support/tone_analysis.h"

namespace {

constexpr int kRate = 48000;

// What the output plays once a change has passed the sound server's buffers.
CapturedOutput SettledOutput() {
    RunEventLoopFor(1600);
    std::optional<CapturedOutput> output = CaptureOutput(400);
    EXPECT_TRUE(output.has_value());
    return output.value_or(CapturedOutput{});
}

// A centred tone of 440 Hz, as a voice is mixed, with a tone of 660 Hz on the left alone.
bool WriteVoiceAndGuitar(const QString& path, int seconds) {
    WavFileWriter writer;
    if (!writer.Open(path.toStdString(), kRate, 2)) return false;
    std::vector<std::int16_t> frames;
    for (int i = 0; i < seconds * kRate; ++i) {
        const double voice = 0.25 * std::sin(2 * M_PI * 440 * i / kRate);
        const double guitar = 0.25 * std::sin(2 * M_PI * 660 * i / kRate);
        frames.push_back(static_cast<std::int16_t>((voice + guitar) * 32767));
        frames.push_back(static_cast<std::int16_t>(voice * 32767));
    }
    writer.Append(frames.data(), frames.size() * sizeof(std::int16_t));
    writer.Finish();
    return true;
}

class SongTuningSoundTest : public testing::Test {
  protected:
    void SetUp() override {
        if (!HaveSoundServer()) GTEST_SKIP() << "no private sound server";
        fake.platform.mediaGraphs = MakeGstMediaGraphs();
    }
    void TearDown() override {
        if (player.state() != PlayerState::Closed) player.CloseMedia();
    }
    void Play(const QString& path, const Tuning& tuning) {
        player.SetMediaPath(path);
        player.SetTuning(tuning);
        ASSERT_TRUE(player.OpenMedia());
        player.Run();
    }

    MediaMaker media;
    FakePlatform fake;
    PostedEventRecorder mainWindow;
    PlayerWindow player{fake.platform, &mainWindow};
};

TEST_F(SongTuningSoundTest, TwoSemitonesUpPlayA440SongAt494Hz) {
    Play(media.OggVorbis("tone.ogg", 100), Tuning{.key = 2});
    const CapturedOutput output = SettledOutput();
    EXPECT_NEAR(ToneFrequency(output.left, CapturedOutput::kRate), 493.88, 4.9);
}

TEST_F(SongTuningSoundTest, SlowerSongLastsLongerAtItsOwnPitch) {
    Play(media.Wav("ten.wav", 100), Tuning{.tempo = 80});
    // The output takes a while to settle into its pace; the song's clock from its third
    // second on tells how long the rest lasts.
    ASSERT_TRUE(RunEventLoopUntil(
        [&] {
            player.PollPosition();
            return player.currentPosition() >= 30'000'000;
        },
        8000));
    QElapsedTimer wall;
    wall.start();
    const CapturedOutput output = SettledOutput();
    EXPECT_NEAR(ToneFrequency(output.left, CapturedOutput::kRate), 440, 4.4);
    ASSERT_TRUE(RunEventLoopUntil([&] { return !mainWindow.commands.empty(); }, 20000));
    EXPECT_EQ(mainWindow.commands[0], IDC_STOP);
    // Within 2 % of the whole song's 12.5 s.
    EXPECT_NEAR(wall.elapsed(), 7000 / 0.8, 250);
}

TEST_F(SongTuningSoundTest, VocalCutTakesOutTheCentreAndKeepsWhatIsPannedAside) {
    const QString path = media.Path("duet.wav");
    ASSERT_TRUE(WriteVoiceAndGuitar(path, 20));
    Play(path, Tuning{});
    const CapturedOutput before = SettledOutput();
    player.SetTuning(Tuning{.vocalCut = true});
    // A change is heard within the output's own buffer, not after a queue of a second.
    RunEventLoopFor(450);
    const std::optional<CapturedOutput> soon = CaptureOutput(200);
    const CapturedOutput after = SettledOutput();
    const auto db = [](double ratio) { return 20 * std::log10(ratio); };
    const int rate = CapturedOutput::kRate;
    ASSERT_GT(ToneLevel(before.left, rate, 440), 0.1);
    ASSERT_TRUE(soon.has_value());
    EXPECT_LT(db(ToneLevel(soon->left, rate, 440) / ToneLevel(before.left, rate, 440)), -20);
    EXPECT_LT(db(ToneLevel(after.left, rate, 440) / ToneLevel(before.left, rate, 440)), -20);
    EXPECT_LT(db(ToneLevel(after.right, rate, 440) / ToneLevel(before.right, rate, 440)), -20);
    EXPECT_NEAR(db(ToneLevel(after.left, rate, 660) / ToneLevel(before.left, rate, 660)), 0, 3);
}

TEST_F(SongTuningSoundTest, KeyAndTempoHoldAfterASeek) {
    Play(media.OggVorbis("long.ogg", 300), Tuning{.key = -3, .tempo = 150});
    // Once the tempo has reached every stage, a seek's place must still be song time.
    RunEventLoopFor(500);
    ASSERT_EQ(player.Seek(20 * 10'000'000LL), S_OK);
    const CapturedOutput output = SettledOutput();
    EXPECT_NEAR(ToneFrequency(output.left, CapturedOutput::kRate), 369.99, 3.7);
    player.PollPosition();
    const REFERENCE_TIME from = player.currentPosition();
    RunEventLoopFor(2000);
    player.PollPosition();
    EXPECT_NEAR((player.currentPosition() - from) / 1e7, 3.0, 0.2);
}

// Plays a karaoke song at 80 % and finds, among the song's own pictures, the ones the
// output shows as the wall clock moves on.
class KaraokeTempoTest : public testing::Test {
  protected:
    void SetUp() override {
        if (!HaveSoundServer()) GTEST_SKIP() << "no private sound server";
        RegisterKaraokeElements();
        QObject::connect(
            &pipeline, &GstPlaybackPipeline::videoFrame,
            [this](std::shared_ptr<const VideoPicture> picture) { shown = picture->ToImage(); });
    }
    QString Path(const QString& name) const { return folder.filePath(name); }

    // The song time of the picture nearest to the one shown.
    double ShownSongTime(const QByteArray& song, bool graphics) {
        const std::unique_ptr<KaraokeFrames> reference =
            graphics ? MakeCdgFrames(song) : MakeLyricFrames(ReadLrc(song));
        QImage drawn(reference->Size(), QImage::Format_ARGB32);
        double best = -1;
        qint64 bestDistance = std::numeric_limits<qint64>::max();
        for (int frame = 0; frame < 25 * kSongSeconds; ++frame) {
            reference->Draw(drawn, frame * 40'000LL);
            const QImage opaque = drawn.convertToFormat(QImage::Format_RGB32);
            qint64 distance = 0;
            for (int y = 0; y < std::min(opaque.height(), shown.height()); y += 2) {
                const auto* a = reinterpret_cast<const QRgb*>(opaque.constScanLine(y));
                const auto* b = reinterpret_cast<const QRgb*>(shown.constScanLine(y));
                for (int x = 0; x < std::min(opaque.width(), shown.width()); x += 2)
                    distance += std::abs(qGray(a[x]) - qGray(b[x]));
            }
            if (distance < bestDistance) {
                bestDistance = distance;
                best = frame * 0.04;
            }
        }
        return best;
    }

    // How far the pictures move in the song per second of the wall clock: the slope of the
    // song times shown every second for three seconds, once the output keeps its pace.
    double SongSecondsShownOverWallSeconds(const QString& path, const QByteArray& song,
                                           bool graphics) {
        EXPECT_TRUE(pipeline.open(path));
        EXPECT_TRUE(pipeline.setTempo(0.8));
        EXPECT_TRUE(pipeline.play());
        EXPECT_TRUE(RunEventLoopUntil(
            [&] { return pipeline.position() >= std::chrono::milliseconds(1600); }, 5000));
        QElapsedTimer wall;
        wall.start();
        double n = 0, sumX = 0, sumY = 0, sumXY = 0, sumXX = 0;
        for (int sample = 0; sample <= 3; ++sample) {
            RunEventLoopUntil([&] { return wall.elapsed() >= sample * 1000; }, 2000);
            const double x = wall.elapsed() / 1000.0;
            const double y = ShownSongTime(song, graphics);
            n += 1;
            sumX += x;
            sumY += y;
            sumXY += x * y;
            sumXX += x * x;
        }
        return (n * sumXY - sumX * sumY) / (n * sumXX - sumX * sumX);
    }

    static constexpr int kSongSeconds = 8;
    QTemporaryDir folder;
    GstPlaybackPipeline pipeline;
    QImage shown;
};

// One more white tile every frame time, so that no two frames look alike.
QByteArray GrowingGraphics(int seconds) {
    QByteArray stream = cdg::LoadColors(false, {{{0, 0, 0}, {15, 15, 15}}});
    for (int packet = 1; packet < seconds * 300; ++packet) {
        const int tile = packet / 12;
        stream +=
            packet % 12 == 0 ? cdg::SolidTile(1, 1 + tile / 48, 1 + tile % 48) : cdg::NotGraphics();
    }
    return stream;
}

TEST_F(KaraokeTempoTest, CdgPicturesFollowTheTempo) {
    const QByteArray graphics = GrowingGraphics(kSongSeconds);
    ASSERT_TRUE(WriteFile(Path("song.cdg"), graphics));
    ASSERT_TRUE(WriteTone(Path("song.mp3"), kSongSeconds, "lamemp3enc ! xingmux"));
    EXPECT_NEAR(SongSecondsShownOverWallSeconds(Path("song.cdg"), graphics, true), 0.8, 0.08);
}

TEST_F(KaraokeTempoTest, LyricsFollowTheTempo) {
    // A line a second, each its own, its words wiped one after the other: the picture never
    // rests and never comes back.
    QByteArray lyrics;
    for (int second = 0; second < kSongSeconds; ++second) {
        lyrics += QStringLiteral("[00:0%1.00]").arg(second).toUtf8();
        for (int word = 0; word < 5; ++word)
            lyrics += QStringLiteral("<00:0%1.%2>%1x%3 ")
                          .arg(second)
                          .arg(word * 20, 2, 10, QChar('0'))
                          .arg(word)
                          .toUtf8();
        lyrics += '\n';
    }
    ASSERT_TRUE(WriteFile(Path("words.lrc"), lyrics));
    ASSERT_TRUE(WriteTone(Path("words.ogg"), kSongSeconds, "vorbisenc ! oggmux"));
    EXPECT_NEAR(SongSecondsShownOverWallSeconds(Path("words.lrc"), lyrics, false), 0.8, 0.08);
}

}  // namespace
