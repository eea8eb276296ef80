#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>

#include "support/main_dialog_fixture.h"

// Start-up without a sound server, through the program's own modal loop and the desktop's
// own boxes, whose nested loops run whatever is queued meanwhile.
namespace {

// The desktop's boxes, each closed a moment after it opens; their captions are kept.
class ClosingBoxes final : public MessageBoxes {
  public:
    ClosingBoxes() {
        closer_.callOnTimeout([] {
            QWidget* box = QApplication::activeModalWidget();
            if (box && box->inherits("QMessageBox")) box->close();
        });
        closer_.start(100);
    }
    int Show(QWidget* owner, const QString& text, const QString& caption, unsigned style) override {
        captions.push_back(caption);
        return boxes_->Show(owner, text, caption, style);
    }
    void Beep() override {}

    std::vector<QString> captions;

  private:
    std::unique_ptr<MessageBoxes> boxes_ = MakeQtMessageBoxes();
    QTimer closer_;
};

class ShowWatcher final : public QObject {
  public:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Show) shown = true;
        return false;
    }
    bool shown = false;
};

TEST(StartUpWithoutCapture, TheProgramEndsAfterTheStopBoxAndNeverShowsTheWindow) {
    const QByteArray server = qgetenv("PULSE_SERVER");
    qputenv("PULSE_SERVER", "unix:/nonexistent/tarvelo/native");
    {
        MainDialogFixture fixture({.realCapture = true});
        auto boxes = std::make_unique<ClosingBoxes>();
        const ClosingBoxes& shown = *boxes;
        fixture.fake.platform.messages = std::move(boxes);
        MainDialog& dialog = fixture.Create();
        ShowWatcher watcher;
        dialog.installEventFilter(&watcher);
        // A window left standing without capture would wait here for the user.
        QTimer::singleShot(15000, &dialog, [&] { static_cast<QDialog&>(dialog).done(42); });

        EXPECT_EQ(dialog.DoModal(), QDialog::Rejected);
        EXPECT_FALSE(watcher.shown);
        EXPECT_EQ(shown.captions, std::vector<QString>{"No audio capture hardware!"});
        EXPECT_FALSE(fixture.Stored("Option", "nSoundCaptureIndex"));
    }
    qputenv("PULSE_SERVER", server);
}

}  // namespace
