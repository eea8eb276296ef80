#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <cmath>

#include "gst/karaoke/karaoke_source.h"
#include "gst/wav_file_writer.h"
#include "karaoke_test_pipeline.h"
#include "support/karaoke_files.h"
#include "support/media_maker.h"
#include "support/tone_analysis.h"

namespace {

// The song changes its tone every two seconds, so where it plays can be heard.
constexpr double kTones[] = {440, 660, 880, 550};
// The MIDI keys nearest to them.
constexpr int kKeys[] = {69, 76, 81, 73};
constexpr double kStepSeconds = 2;
constexpr gint64 kFrameNs = GST_SECOND / 25;

QByteArray ReadAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteSteps(const QString& mp3) {
    const QString wav = mp3 + ".wav";
    WavFileWriter writer;
    constexpr int kRate = 44100;
    if (!writer.Open(wav.toStdString(), kRate, 2)) return false;
    std::vector<std::int16_t> frames;
    for (double hz : kTones) {
        for (int i = 0; i < kStepSeconds * kRate; ++i) {
            const auto value =
                static_cast<std::int16_t>(12000 * std::sin(2 * M_PI * hz * i / kRate));
            frames.insert(frames.end(), {value, value});
        }
    }
    writer.Append(frames.data(), frames.size() * sizeof(std::int16_t));
    writer.Finish();
    return MediaMaker::Launch(QString("filesrc location=%1 ! wavparse ! audioconvert ! "
                                      "lamemp3enc ! xingmux ! filesink location=%2")
                                  .arg(wav, mp3));
}

// Eight seconds of CD+G that draw nothing.
QByteArray QuietGraphics() {
    return QByteArray(static_cast<int>(300 * kStepSeconds * std::size(kTones)) * 24, '\0');
}

QByteArray SteppedKar() {
    constexpr int kQuarter = 480;  // 0.5 s at 120 bpm
    midi::Track tempo;
    tempo.Tempo(0, 500000);
    midi::Track words;
    words.Text(0, "@KMIDI KARAOKE FILE");
    midi::Track melody;
    for (std::size_t step = 0; step < std::size(kKeys); ++step) {
        const int tick = static_cast<int>(step) * 4 * kQuarter;
        words.Text(tick, step == 0 ? "\\la" : " la");
        melody.Note(tick, kKeys[step], 4 * kQuarter);
    }
    return midi::File(1, kQuarter, {tempo, words, melody});
}

class KaraokeSeekTest : public testing::Test {
  protected:
    void SetUp() override {
        RegisterKaraokeElements();
        ASSERT_TRUE(WriteSteps(Path("steps.mp3")));
    }
    QString Path(const QString& name) const { return folder.filePath(name); }

    // Plays from where the song stands and checks that its audio is the step at second,
    // and that the pictures stand there too.
    void ExpectHeardAt(TestPlaybin& player, double second, const char* kind) {
        const std::optional<std::pair<QImage, gint64>> frame = player.NextFrame();
        const std::optional<PlayedAudio> audio = player.NextAudio(0.4);
        ASSERT_TRUE(frame && audio) << kind;
        const gint64 wanted = static_cast<gint64>(second * GST_SECOND);
        EXPECT_LT(std::abs(audio->startNs - wanted), kFrameNs) << kind << " audio at " << second;
        EXPECT_LT(std::abs(frame->second - audio->startNs), kFrameNs) << kind << " pictures";
        const std::size_t step = static_cast<std::size_t>(second / kStepSeconds);
        for (std::size_t other = 0; other < std::size(kTones); ++other) {
            if (other == step) continue;
            EXPECT_GT(ToneShare(audio->samples, audio->rate, kTones[step]),
                      2 * ToneShare(audio->samples, audio->rate, kTones[other]))
                << kind << " at " << second << " s sounds like " << kTones[other] << " Hz";
        }
    }

    // Paused and playing, a seek moves the audio and the pictures; the song then ends on
    // time, its position never beyond its length.
    void ExpectSeeksMoveTheSong(const QString& opened, const char* kind) {
        TestPlaybin player(KaraokeUriFor(opened));
        QString error;
        ASSERT_TRUE(player.Preroll(&error)) << kind << ": " << error.toStdString();
        ASSERT_EQ(player.StreamCount("n-video"), 1) << kind;
        ASSERT_TRUE(player.Seek(static_cast<gint64>(4.5 * GST_SECOND))) << kind;
        ASSERT_TRUE(player.Play());
        ExpectHeardAt(player, 4.5, kind);
        ASSERT_TRUE(player.Seek(static_cast<gint64>(2.5 * GST_SECOND))) << kind;
        ExpectHeardAt(player, 2.5, kind);

        const std::optional<gint64> length = player.DurationNs();
        ASSERT_TRUE(length) << kind;
        ASSERT_TRUE(player.Seek(*length - GST_SECOND)) << kind;
        EXPECT_TRUE(player.WaitForEnd(3000)) << kind << " ends a second after the seek";
        EXPECT_LE(player.PositionNs(), *length) << kind;
    }

    QTemporaryDir folder;
};

TEST_F(KaraokeSeekTest, CdgWithItsAudio) {
    ASSERT_TRUE(WriteFile(Path("steps.cdg"), QuietGraphics()));
    ExpectSeeksMoveTheSong(Path("steps.cdg"), "CD+G");
}

TEST_F(KaraokeSeekTest, Mp3PlusGraphicsZip) {
    ASSERT_TRUE(
        WriteFile(Path("pair.zip"), zip::Archive({{"Hit.cdg", QuietGraphics(), true},
                                                  {"Hit.mp3", ReadAll(Path("steps.mp3"))}})));
    ExpectSeeksMoveTheSong(Path("pair.zip"), "MP3+G");
}

TEST_F(KaraokeSeekTest, LrcWithItsAudio) {
    ASSERT_TRUE(WriteFile(Path("words.lrc"), song::Lrc()));
    ASSERT_TRUE(QFile::copy(Path("steps.mp3"), Path("words.mp3")));
    ExpectSeeksMoveTheSong(Path("words.lrc"), "LRC");
}

TEST_F(KaraokeSeekTest, Kar) {
    if (FindSoundFont().isEmpty()) GTEST_SKIP() << "no General MIDI sound font";
    ASSERT_TRUE(WriteFile(Path("steps.kar"), SteppedKar()));
    ExpectSeeksMoveTheSong(Path("steps.kar"), "KAR");
}

}  // namespace
