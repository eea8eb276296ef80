#include <gtest/gtest.h>

#include <QApplication>
#include <QProcess>
#include <QTest>
#include <QTimer>

#include "playback/player_window.h"
#include "playback/preview_window.h"
#include "resources/resource_ids.h"
#include "support/main_dialog_fixture.h"

namespace {

// Input and requests that reach the windows through the X server and the window manager,
// as a user's do.
void Xdotool(const QStringList& arguments) {
    EXPECT_EQ(QProcess::execute("xdotool", arguments), 0) << arguments.join(' ').toStdString();
}

QString IdOf(QWidget* window) {
    return QString::number(window->winId());
}

}  // namespace

TEST(VideoWindow, TakesItsClicksCloseBoxAndMenuWhileTheMainWindowRuns) {
    MainDialogFixture window({.quiet = true});
    FakePlatform& fake = window.fake;
    MainDialog& dialog = window.Create();
    fake.fileDialogs->answers.push_back("/songs/clip.ogv");
    auto query = std::make_shared<FakeGraph>();
    query->stopPosition = 60 * 10'000'000LL;
    fake.mediaGraphs->prepared.push_back(query);
    fake.mediaGraphs->prepared.push_back(std::make_shared<FakeGraph>());

    bool focused = false;
    bool toggled = false;
    bool menuShown = false;
    bool closed = false;
    QTimer::singleShot(0, &dialog, [&] {
        dialog.OnCommand(IDC_OPEN);
        PreviewWindow* video = dialog.playback().currentPlayer()->videoWindow();
        if (QTest::qWaitForWindowExposed(video)) {
            focused = QTest::qWaitFor([&] { return QApplication::activeWindow() == video; });
            const QString id = IdOf(video);
            const bool front = PlayerWindow::frontToggle();
            Xdotool({"mousemove", "--window", id, "40", "40", "click", "1"});
            toggled = QTest::qWaitFor([&] { return PlayerWindow::frontToggle() != front; });
            Xdotool({"mousemove", "--window", id, "60", "60", "click", "3"});
            menuShown = QTest::qWaitFor([&] { return !fake.menus->tracked.empty(); });
            // The close box asks through the window manager, as Alt+F4 does. Under load the
            // key can reach the manager before it has made the window active again.
            for (int attempt = 0; attempt < 3 && !closed; ++attempt) {
                Xdotool({"windowactivate", "--sync", id, "key", "--clearmodifiers", "alt+F4"});
                closed = QTest::qWaitFor([&] { return !dialog.playback().currentPlayer(); }, 2000);
            }
        }
        dialog.reject();
    });
    dialog.DoModal();
    EXPECT_TRUE(focused) << "the shown video window takes the focus";
    EXPECT_TRUE(toggled) << "a left click brings it to the front";
    EXPECT_TRUE(menuShown) << "a right click shows its menu";
    EXPECT_TRUE(closed) << "its close box closes the file";
}
