#include "gst/gst_playback_pipeline.h"

#include <gtest/gtest.h>

#include <QLoggingCategory>
#include <atomic>
#include <mutex>

#include "desktop/event_loop_wait.h"
#include "gst/gst_handles.h"
#include "support/karaoke_files.h"
#include "support/media_maker.h"

namespace {

// The messages of one logging category, while it is being watched.
class CategoryLog {
  public:
    explicit CategoryLog(const char* category) {
        watched_ = category;
        lines_.clear();
        previous_ = qInstallMessageHandler(&CategoryLog::Handle);
    }
    ~CategoryLog() {
        qInstallMessageHandler(previous_);
        QLoggingCategory::setFilterRules({});
    }
    static QStringList Lines() {
        std::lock_guard lock(mutex_);
        return lines_;
    }

  private:
    static void Handle(QtMsgType, const QMessageLogContext& context, const QString& text) {
        std::lock_guard lock(mutex_);
        if (context.category && watched_ == context.category) lines_ << text;
    }
    static inline std::mutex mutex_;
    static inline QString watched_;
    static inline QStringList lines_;
    QtMessageHandler previous_ = nullptr;
};

TEST(PlaybackPipeline, FailuresCarryGStreamersTextToTheSignalAndTheOptInLog) {
    EnsureGstInitialised();
    QTemporaryDir folder;
    // Graphics without their audio: the karaoke source says why it cannot play.
    const QString graphics = folder.filePath("lonely.cdg");
    ASSERT_TRUE(WriteFile(graphics, QByteArray(24 * 300, '\0')));

    CategoryLog log("tarvelo.gst");
    GstPlaybackPipeline pipeline;
    std::mutex mutex;
    QStringList reported;
    QObject::connect(&pipeline, &GstPlaybackPipeline::error, [&](const QString& text) {
        std::lock_guard lock(mutex);
        reported << text;
    });
    EXPECT_FALSE(pipeline.open(graphics));
    ASSERT_FALSE(reported.isEmpty());
    EXPECT_TRUE(reported.first().startsWith("No audio for")) << reported.first().toStdString();
    EXPECT_TRUE(CategoryLog::Lines().isEmpty());  // silent unless asked for

    QLoggingCategory::setFilterRules("tarvelo.gst=true");
    EXPECT_FALSE(pipeline.open(graphics));
    ASSERT_FALSE(CategoryLog::Lines().isEmpty());
    EXPECT_TRUE(CategoryLog::Lines().join('\n').contains("No audio for"));
}

TEST(PlaybackPipeline, TheEndIsReportedOnceAndNeverAfterTheFileIsClosed) {
    MediaMaker media;
    const QString tone = media.Wav("tone.wav", 3);
    GstPlaybackPipeline pipeline;
    std::atomic<int> ends{0};
    QObject::connect(&pipeline, &GstPlaybackPipeline::endOfStream, [&] { ++ends; });
    ASSERT_TRUE(pipeline.open(tone));
    EXPECT_TRUE(pipeline.hasAudio());
    EXPECT_FALSE(pipeline.hasVideo());
    ASSERT_TRUE(pipeline.play());
    ASSERT_TRUE(RunEventLoopUntil([&] { return ends > 0; }, 5000));
    RunEventLoopFor(200);
    EXPECT_EQ(ends, 1);

    // Reopened and closed while it plays: the end of the closed file never comes.
    ASSERT_TRUE(pipeline.open(tone));
    ASSERT_TRUE(pipeline.play());
    ASSERT_TRUE(pipeline.open(tone));
    RunEventLoopFor(800);
    EXPECT_EQ(ends, 1);
}

}  // namespace
