#include <gtest/gtest.h>

#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <csignal>

#include "desktop/event_loop_wait.h"
#include "desktop/termination_signals.h"
#include "pulse/sound_server.h"
#include "resources/resource_ids.h"
#include "support/main_dialog_fixture.h"
#include "support/sound_rig_env.h"
#include "support/wav_reader.h"

namespace {

QString Pactl(const QStringList& arguments) {
    QProcess pactl;
    pactl.start("pactl", arguments);
    pactl.waitForFinished(10000);
    return QString::fromUtf8(pactl.readAllStandardOutput());
}

// The program's window, its real recording and microphone, and the program's own signal
// watch: a signal mid-recording must end the run as the close box does.
TEST(Termination, ASignalFinishesTheRecordingAndGivesTheMicrophoneBack) {
    REQUIRE_SOUND_RIG();
    Pactl({"set-source-mute", "singer", "1"});
    QTemporaryDir folder;
    const QString output = folder.filePath("take.wav");
    MainDialogFixture fixture({.quiet = true, .realCapture = true});
    fixture.StoreSongOutputMixChoice();
    fixture.fake.platform.mixer = MakePulseMixer(*fixture.fake.platform.soundServer);
    MainDialog& dialog = fixture.Create();
    const TerminationSignals termination([&dialog] { dialog.CloseOnRequest(); });
    // Once the window runs its modal loop: a recording, and the signal in its middle.
    QTimer starter;
    starter.callOnTimeout([&] {
        if (!dialog.isVisible()) return;
        starter.stop();
        dialog.controls().EnableRecordingControls(true);  // as after opening a media file
        dialog.controls().outputPathBox().setText(output);
        dialog.OnCommand(IDC_START);
        QTimer::singleShot(1500, [] { std::raise(SIGTERM); });
    });
    starter.start(50);
    // A window the signal did not close would wait here for the user.
    QTimer::singleShot(15000, &dialog, [&] { static_cast<QDialog&>(dialog).done(42); });

    EXPECT_EQ(dialog.DoModal(), QDialog::Rejected);
    const std::optional<WavContents> wav = ReadWav(output);
    ASSERT_TRUE(wav);
    EXPECT_EQ(wav->declaredData, wav->dataOnDisk);
    EXPECT_GT(wav->seconds(), 1.0);
    EXPECT_TRUE(RunEventLoopUntil(
        [] {
            return Pactl({"get-source-mute", "singer"}).contains("yes");
        },
        5000));
    EXPECT_TRUE(fixture.Stored("Option", "nSearchFlag"));
    Pactl({"set-source-mute", "singer", "0"});  // the singer sings for the tests that follow
}

}  // namespace
