#pragma once

#include <gst/video/video.h>

#include <QImage>
#include <QSize>
#include <memory>

#include "gst/gst_handles.h"

// Turns decoded frames into 32-bit RGB (QImage's RGB32) of their own size, written straight
// into the memory they are shown from. Keeps its tables while the frames' format and the
// target's line length stay.
class VideoFrameConverter {
  public:
    bool Convert(const GstVideoFrame& source, uchar* target, qsizetype bytesPerLine);

  private:
    CHandle<GstVideoConverter, gst_video_converter_free> converter_;
    GstVideoInfo from_{};
    GstVideoInfo to_{};
};

// A decoded video frame in the decoder's own format, readable for as long as it is held:
// the colours are converted only where the frame is drawn.
class VideoPicture {
  public:
    // Nothing when the sample holds no readable video frame.
    static std::shared_ptr<const VideoPicture> FromSample(GstSample* sample);
    ~VideoPicture();
    VideoPicture(const VideoPicture&) = delete;
    VideoPicture& operator=(const VideoPicture&) = delete;

    QSize size() const;
    // Whether both show the very same memory, as a still karaoke picture sent again does;
    // memory held by two buffers is never written to, so it holds the same pixels.
    bool SharesPixelsWith(const VideoPicture& other) const;
    // Into 32-bit RGB memory of size(), lines bytesPerLine apart.
    bool ConvertInto(VideoFrameConverter& converter, uchar* bits, qsizetype bytesPerLine) const;
    QImage ToImage() const;

  private:
    explicit VideoPicture(GstSample* sample);

    GstSample* sample_;  // owned; its release is inline, which a handle here cannot name
    GstVideoFrame frame_{};
    bool mapped_ = false;
};
