#pragma once

#include <QWidget>
#include <memory>

class PlayerWindow;
class WindowTimers;

// The video window of one player: a top-level window of its own with a taskbar entry,
// minimisable but neither resizable nor maximisable. It hands everything that happens to
// it to its player.
class PreviewWindow : public QWidget {
    Q_OBJECT
  public:
    explicit PreviewWindow(PlayerWindow& player);
    ~PreviewWindow() override;

    WindowTimers& timers() { return *timers_; }

  protected:
    bool event(QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    PlayerWindow& player_;
    std::unique_ptr<WindowTimers> timers_;
};
