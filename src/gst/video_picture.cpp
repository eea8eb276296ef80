#include "gst/video_picture.h"

namespace {

// QImage's RGB32 as it lies in memory.
constexpr GstVideoFormat kRgb32 =
    G_BYTE_ORDER == G_LITTLE_ENDIAN ? GST_VIDEO_FORMAT_BGRx : GST_VIDEO_FORMAT_xRGB;

using GstBufferPtr = CHandle<GstBuffer, gst_buffer_unref>;

}  // namespace

bool VideoFrameConverter::Convert(const GstVideoFrame& source, uchar* target,
                                  qsizetype bytesPerLine) {
    const GstVideoInfo& from = source.info;
    if (!converter_ || !gst_video_info_is_equal(&from, &from_) ||
        GST_VIDEO_INFO_PLANE_STRIDE(&to_, 0) != bytesPerLine) {
        GstVideoInfo to;
        gst_video_info_set_interlaced_format(&to, kRgb32, GST_VIDEO_INFO_INTERLACE_MODE(&from),
                                             GST_VIDEO_INFO_WIDTH(&from),
                                             GST_VIDEO_INFO_HEIGHT(&from));
        // Only the format changes: the converter takes no other change.
        GST_VIDEO_INFO_FLAGS(&to) = GST_VIDEO_INFO_FLAGS(&from);
        GST_VIDEO_INFO_FPS_N(&to) = GST_VIDEO_INFO_FPS_N(&from);
        GST_VIDEO_INFO_FPS_D(&to) = GST_VIDEO_INFO_FPS_D(&from);
        GST_VIDEO_INFO_PAR_N(&to) = GST_VIDEO_INFO_PAR_N(&from);
        GST_VIDEO_INFO_PAR_D(&to) = GST_VIDEO_INFO_PAR_D(&from);
        GST_VIDEO_INFO_PLANE_STRIDE(&to, 0) = static_cast<gint>(bytesPerLine);
        GST_VIDEO_INFO_SIZE(&to) = static_cast<gsize>(bytesPerLine) * GST_VIDEO_INFO_HEIGHT(&to);
        // The options videoconvert sets by default, so the colours come out as they would
        // from it.
        converter_.reset(gst_video_converter_new(&from, &to, nullptr));
        from_ = from;
        to_ = to;
    }
    if (!converter_) return false;
    const GstBufferPtr wrapped(
        gst_buffer_new_wrapped_full(GstMemoryFlags(0), target, GST_VIDEO_INFO_SIZE(&to_), 0,
                                    GST_VIDEO_INFO_SIZE(&to_), nullptr, nullptr));
    GstVideoFrame destination;
    if (!gst_video_frame_map(&destination, &to_, wrapped.get(), GST_MAP_WRITE)) return false;
    gst_video_converter_frame(converter_.get(), &source, &destination);
    gst_video_frame_unmap(&destination);
    return true;
}

std::shared_ptr<const VideoPicture> VideoPicture::FromSample(GstSample* sample) {
    std::shared_ptr<const VideoPicture> picture(new VideoPicture(sample));
    return picture->mapped_ ? picture : nullptr;
}

VideoPicture::VideoPicture(GstSample* sample) : sample_(gst_sample_ref(sample)) {
    GstVideoInfo info;
    GstCaps* caps = gst_sample_get_caps(sample);
    GstBuffer* buffer = gst_sample_get_buffer(sample);
    mapped_ = caps && buffer && gst_video_info_from_caps(&info, caps) &&
              gst_video_frame_map(&frame_, &info, buffer, GST_MAP_READ);
}

VideoPicture::~VideoPicture() {
    if (mapped_) gst_video_frame_unmap(&frame_);
    gst_sample_unref(sample_);
}

QSize VideoPicture::size() const {
    return {GST_VIDEO_FRAME_WIDTH(&frame_), GST_VIDEO_FRAME_HEIGHT(&frame_)};
}

bool VideoPicture::SharesPixelsWith(const VideoPicture& other) const {
    GstBuffer* mine = frame_.buffer;
    GstBuffer* theirs = other.frame_.buffer;
    return gst_video_info_is_equal(&frame_.info, &other.frame_.info) &&
           gst_buffer_n_memory(mine) == 1 && gst_buffer_n_memory(theirs) == 1 &&
           gst_buffer_peek_memory(mine, 0) == gst_buffer_peek_memory(theirs, 0);
}

bool VideoPicture::ConvertInto(VideoFrameConverter& converter, uchar* bits,
                               qsizetype bytesPerLine) const {
    return converter.Convert(frame_, bits, bytesPerLine);
}

QImage VideoPicture::ToImage() const {
    QImage image(size(), QImage::Format_RGB32);
    VideoFrameConverter converter;
    if (image.isNull() || !ConvertInto(converter, image.bits(), image.bytesPerLine())) return {};
    return image;
}
