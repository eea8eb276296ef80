#pragma once

#include <QLabel>

// A caption that draws only its text, line by line, so that the parent's background
// stays visible around and between the letters. A disabled label is drawn twice, one
// pixel apart, which makes it look heavier rather than greyed.
class PaintedLabel : public QLabel {
    Q_OBJECT
  public:
    explicit PaintedLabel(const QString& text, QWidget* parent = nullptr);

    // Gap between a left- or right-aligned line and the label's edge, in pixels.
    static constexpr int kEdgeGap = 2;

  protected:
    void paintEvent(QPaintEvent* event) override;
};
