#pragma once

#include <QWidget>
#include <chrono>

// A peak meter: a bar from -60 dB to full scale, green, amber above -6 dB and red at
// clipping, with a mark that holds the highest peak for a second. It draws nothing until it
// is shown a level, and again once cleared.
class LevelMeter : public QWidget {
  public:
    using Clock = std::chrono::steady_clock;
    enum class Zone { None, Safe, Loud, Clipping };

    static constexpr double kFloorDecibels = -60;
    static constexpr double kLoudDecibels = -6;
    // A peak this close to full scale counts as clipped: 16-bit samples top out just below.
    static constexpr double kClippingDecibels = -0.1;
    static constexpr std::chrono::milliseconds kHold{1000};

    explicit LevelMeter(QWidget* parent = nullptr);

    void ShowPeak(double decibels, Clock::time_point now);
    void Clear();

    static Zone ZoneOf(double decibels);
    // What is drawn: the bar's zone and the held peak's.
    Zone barZone() const { return ZoneOf(peak_); }
    Zone holdZone() const { return ZoneOf(held_); }
    bool active() const { return active_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    bool active_ = false;
    double peak_ = kFloorDecibels;
    double held_ = kFloorDecibels;
    Clock::time_point heldSince_;
};
