#pragma once

#include <gst/gst.h>

#include <QString>

// A generated song: a sine tone of a given length played into a sink of the sound server.
class TestTone {
  public:
    TestTone(const QString& sink, double frequency, double seconds);
    ~TestTone();
    bool Start();
    // True once the whole tone has been played (or playing it failed).
    bool Finished();

  private:
    GstElement* pipeline_ = nullptr;
    bool finished_ = false;
};
