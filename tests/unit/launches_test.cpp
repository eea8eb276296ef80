#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "desktop/file_exists.h"
#include "resources/resource_ids.h"
#include "support/main_dialog_fixture.h"

namespace {

const QString kProductPage = "https://tarvelo.example.org/products/tarvelo-player.htm";
constexpr std::int64_t kInterval = 15552000;

struct Window {
    std::optional<QString> StoredTime() const {
        return fake.settings->Value("Setup", "t_first_update");
    }
    int Questions() const {
        int asked = 0;
        for (const ShownMessage& box : fake.messages->shown)
            asked += box.caption == "Update the program";
        return asked;
    }
    void PlayWith(const QString& path) {
        dialog.controls().outputPathBox().setEnabled(true);
        dialog.controls().outputPathBox().setText(path);
        dialog.OnCommand(IDC_PLAY);
    }

    MainDialogFixture window;
    FakePlatform& fake = window.fake;
    MainDialog& dialog = window.StartAndForget();
};

// A socket file: it exists, but it cannot be opened for reading, whoever runs the test.
struct SocketFile {
    explicit SocketFile(const QString& path) : fd(::socket(AF_UNIX, SOCK_STREAM, 0)) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray name = QFile::encodeName(path);
        std::copy(name.begin(), name.end(), address.sun_path);
        bound = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    }
    ~SocketFile() { ::close(fd); }
    int fd;
    bool bound;
};

// Opens a named pipe for writing once the deadline has passed: a reader blocked on opening
// it is let go, so that the test fails instead of hanging.
class PipeWatchdog {
  public:
    PipeWatchdog(const QString& path, std::chrono::seconds deadline)
        : path_(QFile::encodeName(path)), thread_([this, deadline] { Watch(deadline); }) {}
    ~PipeWatchdog() { Stop(); }

    // Ends the watch; answers whether the deadline passed first.
    bool Stop() {
        {
            const std::lock_guard lock(mutex_);
            stopped_ = true;
        }
        wake_.notify_one();
        if (thread_.joinable()) thread_.join();
        return fired_;
    }

  private:
    void Watch(std::chrono::seconds deadline) {
        std::unique_lock lock(mutex_);
        if (wake_.wait_for(lock, deadline, [this] { return stopped_; })) return;
        fired_ = true;
        const int writer = ::open(path_.constData(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0) ::close(writer);
    }

    const QByteArray path_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopped_ = false;
    std::atomic<bool> fired_ = false;
    std::thread thread_;  // last: it starts once everything it uses exists
};

}  // namespace

TEST(PromptForUpdate, FirstExitStoresTheTimeWithoutAsking) {
    Window w;
    w.fake.clock->now = 1'700'000'000;
    w.dialog.launches().PromptForUpdate(kProductPage);
    EXPECT_EQ(w.Questions(), 0);
    EXPECT_EQ(w.StoredTime(), "1700000000");
}

TEST(PromptForUpdate, AsksOnlyWhenMoreThanTheIntervalHasPassed) {
    Window w;
    w.fake.settings->Set("Setup", "t_first_update", "1700000000");
    w.fake.clock->now = 1'700'000'000 + kInterval;
    w.dialog.launches().PromptForUpdate(kProductPage);
    EXPECT_EQ(w.Questions(), 0);
    EXPECT_EQ(w.StoredTime(), "1700000000");

    w.fake.clock->now += 1;
    w.fake.messages->answers = {IDNO};
    w.dialog.launches().PromptForUpdate(kProductPage);
    ASSERT_EQ(w.Questions(), 1);
    const ShownMessage& question = w.fake.messages->shown[0];
    EXPECT_EQ(question.text, "Do you want to check the lastest version on our website?");
    EXPECT_EQ(question.style, MB_YESNO);
    EXPECT_TRUE(w.fake.launcher->opened.empty());
    EXPECT_EQ(w.StoredTime(), QString::number(1'700'000'001 + kInterval));
}

TEST(PromptForUpdate, YesOpensTheProductPageAndAFailedBrowserIsReported) {
    Window w;
    w.fake.settings->Set("Setup", "t_first_update", "1000");
    w.fake.clock->now = 1'700'000'000;
    w.fake.messages->answers = {IDYES};
    w.dialog.launches().PromptForUpdate(kProductPage);
    EXPECT_EQ(w.fake.launcher->opened, std::vector<QString>{kProductPage});
    EXPECT_EQ(w.fake.messages->shown.size(), 1u);
    EXPECT_EQ(w.StoredTime(), "1700000000");

    w.fake.settings->Set("Setup", "t_first_update", "1000");
    w.fake.messages->shown.clear();
    w.fake.messages->answers = {IDYES};
    w.fake.launcher->openAnswers = {SE_ERR_NOASSOC};
    w.fake.clock->now += 5;
    w.dialog.launches().PromptForUpdate(kProductPage);
    ASSERT_EQ(w.fake.messages->shown.size(), 2u);
    const ShownMessage& failure = w.fake.messages->shown[1];
    EXPECT_EQ(failure.caption, "unknown errors");
    EXPECT_EQ(failure.text,
              "The Program does not launch your web browser to access "
              "https://tarvelo.example.org ,\nPlease launch your web browser and input the "
              "URL manually.");
    EXPECT_EQ(failure.style, MB_OK);
    EXPECT_EQ(w.StoredTime(), "1700000005");
}

TEST(PromptForUpdate, AStoredTimeInTheFutureAsksNothingAndStays) {
    Window w;
    w.fake.settings->Set("Setup", "t_first_update", "1800000000");
    w.fake.clock->now = 1'700'000'000;
    w.dialog.launches().PromptForUpdate(kProductPage);
    EXPECT_EQ(w.Questions(), 0);
    EXPECT_EQ(w.StoredTime(), "1800000000");
}

TEST(PromptForUpdate, KeepsItsRhythmAfterThe32BitClockWraps) {
    Window w;
    const std::int64_t after2038 = (std::int64_t{1} << 31) + 1000;
    w.fake.clock->now = after2038;
    w.dialog.launches().PromptForUpdate(kProductPage);
    EXPECT_EQ(w.Questions(), 0);
    ASSERT_TRUE(w.StoredTime());

    w.fake.clock->now = after2038 + kInterval;
    w.dialog.launches().PromptForUpdate(kProductPage);
    EXPECT_EQ(w.Questions(), 0);
    w.fake.clock->now += 1;
    w.dialog.launches().PromptForUpdate(kProductPage);
    EXPECT_EQ(w.Questions(), 1);
}

TEST(PromptForUpdate, RunsWhenTheWindowCloses) {
    Window w;
    w.dialog.close();
    EXPECT_TRUE(w.StoredTime());
    EXPECT_EQ(w.fake.settings->writes.back(), "Setup/t_first_update");
}

TEST(PlayRecording, AMissingOrUnreadableFileIsReportedAndNothingStarts) {
    Window w;
    w.PlayWith("");
    ASSERT_EQ(w.fake.messages->shown.size(), 1u);
    EXPECT_EQ(w.fake.messages->shown[0].text, " does not exist!");
    EXPECT_EQ(w.fake.messages->shown[0].caption, "Error");
    EXPECT_EQ(w.fake.messages->shown[0].style, MB_OK);

    QTemporaryDir folder;
    w.PlayWith(folder.path());
    w.PlayWith(folder.filePath("missing.wav"));
    const SocketFile socket(folder.filePath("socket.wav"));
    ASSERT_TRUE(socket.bound);
    w.PlayWith(folder.filePath("socket.wav"));
    ASSERT_EQ(w.fake.messages->shown.size(), 4u);
    EXPECT_EQ(w.fake.messages->shown[3].text, folder.filePath("socket.wav") + " does not exist!");
    EXPECT_TRUE(w.fake.launcher->opened.empty());
}

TEST(PlayRecording, TheRecordingOpensWithItsPathAsOneArgument) {
    Window w;
    QTemporaryDir folder;
    const QString path = folder.filePath("My \"Song\"; $(touch pwned) `x`.wav");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();
    w.PlayWith(path);
    EXPECT_TRUE(w.fake.messages->shown.empty());
    EXPECT_EQ(w.fake.launcher->opened, std::vector<QString>{path});
}

TEST(Launches, HomepageAndHelpOpenTheirPages) {
    Window w;
    w.dialog.OnCommand(IDC_HOMEPAGE);
    w.dialog.OnCommand(IDC_HELP);
    ASSERT_EQ(w.fake.launcher->opened.size(), 2u);
    EXPECT_EQ(w.fake.launcher->opened[0], "https://tarvelo.example.org/index.htm");
    EXPECT_TRUE(w.fake.launcher->opened[1].endsWith("/Introduction.htm"));
    EXPECT_TRUE(FileExists(w.fake.launcher->opened[1])) << "the help ships with the program";
}

TEST(OutputPathAsNamedPipe, PlayAndStartDoNotWaitForAWriter) {
    MainDialogFixture window({.quiet = true});
    MainDialog& dialog = window.StartAndForget();
    QTemporaryDir folder;
    const QString pipe = folder.filePath("take.wav");
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    dialog.controls().EnableRecordingControls(true);
    dialog.controls().outputPathBox().setText(pipe);

    PipeWatchdog watchdog(pipe, std::chrono::seconds(5));
    dialog.OnCommand(IDC_PLAY);
    dialog.OnCommand(IDC_START);
    EXPECT_FALSE(watchdog.Stop()) << "Play or Start waited for a writer of the pipe";
    EXPECT_EQ(window.fake.launcher->opened, std::vector<QString>{pipe});
    EXPECT_TRUE(dialog.recording().isRecording());
    EXPECT_FALSE(QFileInfo::exists(pipe)) << "Start replaces what the output path names";
}
