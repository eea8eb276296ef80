#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "karaoke/extraction_folder.h"
#include "karaoke/karaoke_media.h"
#include "karaoke/zip_archive.h"
#include "support/karaoke_files.h"

namespace {

class KaraokeMediaTest : public testing::Test {
  protected:
    QString Make(const QString& name, const QByteArray& bytes = "x") {
        const QString path = folder.filePath(name);
        EXPECT_TRUE(WriteFile(path, bytes));
        return path;
    }
    QString Path(const QString& name) const { return folder.filePath(name); }

    QTemporaryDir folder;
};

TEST_F(KaraokeMediaTest, CdgPairsWithItsAudioFromEitherSide) {
    const QString cdg = Make("Song.CDG");
    const QString mp3 = Make("song.Mp3");
    Make("song.txt");
    Make("other.ogg");
    const KaraokeMedia fromGraphics = ResolveKaraokeMedia(cdg);
    EXPECT_EQ(fromGraphics.kind, KaraokeKind::CdgGraphics);
    EXPECT_EQ(fromGraphics.audioPath, mp3);
    EXPECT_EQ(fromGraphics.visualPath, cdg);
    const KaraokeMedia fromAudio = ResolveKaraokeMedia(mp3);
    EXPECT_EQ(fromAudio.kind, KaraokeKind::CdgGraphics);
    EXPECT_EQ(fromAudio.audioPath, mp3);
    EXPECT_EQ(fromAudio.visualPath, cdg);
    EXPECT_EQ(ResolveKaraokeMedia(Path("other.ogg")).kind, KaraokeKind::None);
}

TEST_F(KaraokeMediaTest, AudioIsChosenInOrderOfPreference) {
    const QString bin = Make("track.bin");
    Make("track.flac");
    const QString ogg = Make("TRACK.OGG");
    Make("track.wav");
    EXPECT_EQ(ResolveKaraokeMedia(bin).audioPath, ogg);
    // The CD+G wins over lyrics when an audio file has both.
    const QString wav = Path("track.wav");
    Make("track.cdg");
    Make("track.lrc");
    EXPECT_EQ(ResolveKaraokeMedia(wav).visualPath, Path("track.cdg"));
}

TEST_F(KaraokeMediaTest, LyricsAndMidiFiles) {
    const QString lrc = Make("tune.lrc");
    const QString flac = Make("tune.flac");
    EXPECT_EQ(ResolveKaraokeMedia(lrc).kind, KaraokeKind::LrcLyrics);
    EXPECT_EQ(ResolveKaraokeMedia(lrc).audioPath, flac);
    EXPECT_EQ(ResolveKaraokeMedia(flac).kind, KaraokeKind::LrcLyrics);
    EXPECT_EQ(ResolveKaraokeMedia(flac).visualPath, lrc);
    for (const char* name : {"a.kar", "b.MID", "c.midi", "d.rmi"}) {
        const QString path = Make(name);
        const KaraokeMedia media = ResolveKaraokeMedia(path);
        EXPECT_EQ(media.kind, KaraokeKind::MidiLyrics) << name;
        EXPECT_EQ(media.audioPath, path);
    }
}

TEST_F(KaraokeMediaTest, MissingAudioLeavesTheAudioPathEmpty) {
    const KaraokeMedia media = ResolveKaraokeMedia(Make("alone.cdg"));
    EXPECT_EQ(media.kind, KaraokeKind::CdgGraphics);
    EXPECT_TRUE(media.audioPath.isEmpty());
    EXPECT_TRUE(ResolveKaraokeMedia(Make("alone.lrc")).audioPath.isEmpty());
}

QByteArray Pattern(int size) {
    QByteArray bytes;
    for (unsigned i = 0; i < unsigned(size); ++i)
        bytes += static_cast<char>((i * i + i / 7) & 0xFF);
    return bytes;
}

TEST_F(KaraokeMediaTest, ZipPairIsFoundAndExtracted) {
    const QByteArray graphics = Pattern(24 * 3000);
    const QByteArray audio = Pattern(200000);
    const QString zipPath = Make("Pair.ZIP", zip::Archive({{"readme.txt", "hello", false},
                                                           {"folder/Hit Song.cdg", graphics, false},
                                                           {"folder/Hit Song.mp3", audio, true}}));
    const KaraokeMedia media = ResolveKaraokeMedia(zipPath);
    ASSERT_EQ(media.kind, KaraokeKind::CdgGraphics);
    EXPECT_EQ(media.archivePath, zipPath);
    EXPECT_EQ(media.visualPath, "folder/Hit Song.cdg");
    EXPECT_EQ(media.audioPath, "folder/Hit Song.mp3");

    QTemporaryDir target;
    const auto extracted = ExtractArchivedPair(media, target.path(), 1 << 20);
    ASSERT_TRUE(extracted);
    EXPECT_TRUE(extracted->archivePath.isEmpty());
    EXPECT_EQ(extracted->visualPath, QDir(target.path()).filePath("Hit Song.cdg"));
    QFile cdg(extracted->visualPath), mp3(extracted->audioPath);
    ASSERT_TRUE(cdg.open(QIODevice::ReadOnly) && mp3.open(QIODevice::ReadOnly));
    EXPECT_EQ(cdg.readAll(), graphics);
    EXPECT_EQ(mp3.readAll(), audio);
    // A member larger than allowed is refused.
    EXPECT_FALSE(ExtractArchivedPair(media, target.path(), 100000));
}

TEST_F(KaraokeMediaTest, OversizedMembersLeaveNoCopyBehind) {
    const QByteArray audio = Pattern(5000);
    const QByteArray graphics(1 << 20, '\0');
    const QByteArray pair = zip::Archive({{"Hit.mp3", audio, true}, {"Hit.cdg", graphics, true}});
    // The audio claims 1 GiB: refused before a byte is written.
    const QString bomb = Make("bomb.zip", zip::WithDeclaredSize(pair, 0, 1u << 30));
    // The graphics claim 1000 bytes and inflate to a megabyte: cut off where the claim ends.
    const QString liar = Make("liar.zip", zip::WithDeclaredSize(pair, 1, 1000));
    for (const QString& path : {bomb, liar}) {
        const KaraokeMedia media = ResolveKaraokeMedia(path);
        ASSERT_EQ(media.kind, KaraokeKind::CdgGraphics);
        QTemporaryDir target;
        EXPECT_FALSE(ExtractArchivedPair(media, target.path(), kMaxArchiveMemberBytes));
        EXPECT_TRUE(QDir(target.path()).isEmpty()) << path.toStdString();
    }
}

TEST_F(KaraokeMediaTest, TheRunsFolderIsPrivateAndFoldersOfEndedRunsGo) {
    const QString run = ExtractionRunFolder();
    ASSERT_FALSE(run.isEmpty());
    EXPECT_EQ(run, ExtractionRunFolder());
    struct stat info {};
    ASSERT_EQ(::stat(QFile::encodeName(run).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);

    QProcess child;
    child.start("true", {});
    ASSERT_TRUE(child.waitForStarted());
    const qint64 ended = child.processId();
    ASSERT_TRUE(child.waitForFinished());
    const QDir temp(QDir::tempPath());
    const QString endedRun = temp.filePath(QString("tarvelo-songs-%1-Ab12Cd").arg(ended));
    const QString liveRun = temp.filePath(QString("tarvelo-songs-%1-Ab12Cd").arg(getppid()));
    ASSERT_TRUE(QDir().mkpath(endedRun + "/song-123456") && QDir().mkpath(liveRun));
    ASSERT_TRUE(WriteFile(endedRun + "/song-123456/Hit.mp3", Pattern(1000)));
    RemoveStaleExtractionFolders();
    EXPECT_FALSE(QFileInfo::exists(endedRun));
    EXPECT_TRUE(QFileInfo::exists(liveRun));
    EXPECT_TRUE(QFileInfo::exists(run));
    QDir(liveRun).removeRecursively();
}

TEST_F(KaraokeMediaTest, ZipWithoutAPairOrBrokenIsNoKaraoke) {
    EXPECT_EQ(
        ResolveKaraokeMedia(Make("lonely.zip", zip::Archive({{"a.cdg", "x"}, {"b.mp3", "y"}})))
            .kind,
        KaraokeKind::None);
    EXPECT_EQ(ResolveKaraokeMedia(Make("noise.zip", Pattern(5000))).kind, KaraokeKind::None);
    EXPECT_EQ(ResolveKaraokeMedia(Make("empty.zip", "")).kind, KaraokeKind::None);
}

// Extracts the one member of an archive into memory.
std::optional<QByteArray> ExtractOnly(const QByteArray& archiveBytes, const QString& path) {
    EXPECT_TRUE(WriteFile(path, archiveBytes));
    const auto archive = ZipArchive::Open(path);
    if (!archive || archive->Entries().size() != 1) return std::nullopt;
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    if (!archive->Extract(archive->Entries()[0], out, 1 << 24)) return std::nullopt;
    return out.data();
}

TEST_F(KaraokeMediaTest, ZipMembersAreCheckedAgainstTheirDirectory) {
    const QByteArray data = Pattern(70000);
    const QByteArray good = zip::Archive({{"m.mp3", data, true}});
    EXPECT_EQ(ExtractOnly(good, Path("good.zip")), data);
    EXPECT_EQ(ExtractOnly(zip::Archive({{"e.mp3", "", true}}), Path("empty.zip")), QByteArray());

    QByteArray corrupt = good;
    corrupt[30 + 5 + 100] = static_cast<char>(corrupt[30 + 5 + 100] ^ 0x55);
    EXPECT_FALSE(ExtractOnly(corrupt, Path("corrupt.zip")));

    // A directory claiming a larger size than the stream holds.
    QByteArray lying = good;
    const qsizetype directory = lying.indexOf("PK\x01\x02");
    lying[directory + 24] = static_cast<char>(lying[directory + 24] + 1);
    EXPECT_FALSE(ExtractOnly(lying, Path("lying.zip")));

    QByteArray truncated = zip::Archive({{"s.cdg", data, false}});
    truncated.remove(1000, 20000);
    EXPECT_FALSE(ExtractOnly(truncated, Path("truncated.zip")));
}

}  // namespace
