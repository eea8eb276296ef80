#pragma once

#include <cstdio>

#include "services/message_boxes.h"

// A benchmark has nobody to press OK: messages go to the terminal.
class PrintedMessages final : public MessageBoxes {
  public:
    int Show(QWidget*, const QString& text, const QString& caption, unsigned) override {
        std::fprintf(stderr, "%s: %s\n", qPrintable(caption), qPrintable(text));
        return IDOK;
    }
    void Beep() override {}
};
