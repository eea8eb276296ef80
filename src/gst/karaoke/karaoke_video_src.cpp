#include "gst/karaoke/karaoke_video_src.h"

#include <gst/base/gstpushsrc.h>
#include <gst/video/video.h>

#include <algorithm>

#include "gst/gst_handles.h"

namespace {

struct KaraokeVideoSrc {
    GstPushSrc parent;
    KaraokeFrames* frames;
    // The last picture drawn, pushed again while the picture stays as it is.
    GstBuffer* drawn;
    guint64 nextFrame;
    GstPad* audioPad;
    gulong audioProbe;
    // Under the object lock: where the audio decoded so far ends, and whether that is the
    // end of the song.
    GstClockTime audioEnd;
    gboolean audioEnded;
};

struct KaraokeVideoSrcClass {
    GstPushSrcClass parentClass;
};

GType KaraokeVideoSrcType();

KaraokeVideoSrc* Cast(gpointer object) {
    return G_TYPE_CHECK_INSTANCE_CAST(object, KaraokeVideoSrcType(), KaraokeVideoSrc);
}

GstClockTime FrameTime(guint64 frame) {
    return gst_util_uint64_scale(frame, GST_SECOND, kKaraokeFramesPerSecond);
}

GstCaps* FrameCaps(const KaraokeVideoSrc* self) {
    const QSize size = self->frames ? self->frames->Size() : QSize(1, 1);
    // QImage's RGB32 lies in memory as B, G, R, x on little-endian machines: the renderer's
    // own format, so the frames reach it without a conversion.
    return gst_caps_new_simple("video/x-raw", "format", G_TYPE_STRING,
                               G_BYTE_ORDER == G_LITTLE_ENDIAN ? "BGRx" : "xRGB", "width",
                               G_TYPE_INT, size.width(), "height", G_TYPE_INT, size.height(),
                               "framerate", GST_TYPE_FRACTION, kKaraokeFramesPerSecond, 1,
                               "pixel-aspect-ratio", GST_TYPE_FRACTION, 1, 1, nullptr);
}

GstCaps* GetCaps(GstBaseSrc* source, GstCaps* filter) {
    GstCapsPtr caps(FrameCaps(Cast(source)));
    if (!filter) return caps.release();
    return gst_caps_intersect_full(filter, caps.get(), GST_CAPS_INTERSECT_FIRST);
}

gboolean IsSeekable(GstBaseSrc*) {
    return TRUE;
}

gboolean DoSeek(GstBaseSrc* source, GstSegment* segment) {
    KaraokeVideoSrc* self = Cast(source);
    // The first frame shown is the one on screen at the seek position.
    self->nextFrame = gst_util_uint64_scale(segment->start, kKaraokeFramesPerSecond, GST_SECOND);
    segment->time = segment->start;
    segment->position = segment->start;
    // Where the audio ends is left to the audio's own flush: its branch may already have
    // reached the end again after a seek close to it.
    return TRUE;
}

// The song's length is its audio's.
gboolean Query(GstBaseSrc* source, GstQuery* query) {
    KaraokeVideoSrc* self = Cast(source);
    if (GST_QUERY_TYPE(query) == GST_QUERY_DURATION && self->audioPad) {
        return gst_pad_query(self->audioPad, query);
    }
    return GST_BASE_SRC_CLASS(g_type_class_peek_parent(G_OBJECT_GET_CLASS(source)))
        ->query(source, query);
}

bool PastAudioEnd(KaraokeVideoSrc* self, GstClockTime time) {
    GST_OBJECT_LOCK(self);
    const bool past =
        self->audioEnded && (!GST_CLOCK_TIME_IS_VALID(self->audioEnd) || time >= self->audioEnd);
    GST_OBJECT_UNLOCK(self);
    return past;
}

// How long a frame from time stays up: until the next, but never past the song's end, so
// the song's position never runs beyond its length.
GstClockTime FrameDuration(KaraokeVideoSrc* self, guint64 frame, GstClockTime time) {
    GstClockTime end = FrameTime(frame + 1);
    GST_OBJECT_LOCK(self);
    if (self->audioEnded && GST_CLOCK_TIME_IS_VALID(self->audioEnd))
        end = std::min(end, self->audioEnd);
    GST_OBJECT_UNLOCK(self);
    return end - time;
}

// Watches the decoded audio on its way out: how far it goes, its end, and flushes.
GstPadProbeReturn WatchAudio(GstPad*, GstPadProbeInfo* info, gpointer data) {
    KaraokeVideoSrc* self = Cast(data);
    GST_OBJECT_LOCK(self);
    if (info->type & GST_PAD_PROBE_TYPE_BUFFER) {
        GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
        if (GST_BUFFER_PTS_IS_VALID(buffer)) {
            self->audioEnd =
                GST_BUFFER_PTS(buffer) +
                (GST_BUFFER_DURATION_IS_VALID(buffer) ? GST_BUFFER_DURATION(buffer) : 0);
        }
    } else if (GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) == GST_EVENT_EOS) {
        self->audioEnded = TRUE;
    } else if (GST_EVENT_TYPE(GST_PAD_PROBE_INFO_EVENT(info)) == GST_EVENT_FLUSH_STOP) {
        self->audioEnded = FALSE;
        self->audioEnd = GST_CLOCK_TIME_NONE;
    }
    GST_OBJECT_UNLOCK(self);
    return GST_PAD_PROBE_OK;
}

// Draws the picture at time into a new buffer, kept as the one drawn last. The buffers
// downstream share the last picture's memory, so it is copied and only its changes drawn.
bool Redraw(KaraokeVideoSrc* self, GstClockTime time) {
    const QSize size = self->frames->Size();
    const gsize bytes = static_cast<gsize>(size.width()) * size.height() * 4;
    GstBuffer* buffer = gst_buffer_new_allocate(nullptr, bytes, nullptr);
    if (!buffer) return false;
    GstMapInfo map;
    gst_buffer_map(buffer, &map, GST_MAP_WRITE);
    QImage image(map.data, size.width(), size.height(), size.width() * 4, QImage::Format_RGB32);
    const auto timeUs = static_cast<std::int64_t>(time / GST_USECOND);
    if (self->drawn && gst_buffer_extract(self->drawn, 0, map.data, bytes) == bytes)
        self->frames->DrawOver(image, timeUs);
    else
        self->frames->Draw(image, timeUs);
    gst_buffer_unmap(buffer, &map);
    gst_buffer_replace(&self->drawn, buffer);
    gst_buffer_unref(buffer);
    return true;
}

GstFlowReturn Create(GstPushSrc* source, GstBuffer** out) {
    KaraokeVideoSrc* self = Cast(source);
    const GstSegment& segment = GST_BASE_SRC(source)->segment;
    const GstClockTime time = FrameTime(self->nextFrame);
    if (!self->frames || PastAudioEnd(self, time) ||
        (GST_CLOCK_TIME_IS_VALID(segment.stop) && time >= segment.stop)) {
        return GST_FLOW_EOS;
    }
    const bool unchanged =
        self->drawn && self->frames->Unchanged(static_cast<std::int64_t>(time / GST_USECOND));
    if (!unchanged && !Redraw(self, time)) return GST_FLOW_ERROR;
    // A copy shares the picture's memory and takes a time of its own.
    GstBuffer* buffer = gst_buffer_copy(self->drawn);
    GST_BUFFER_PTS(buffer) = time;
    GST_BUFFER_DURATION(buffer) = FrameDuration(self, self->nextFrame, time);
    GST_BUFFER_OFFSET(buffer) = self->nextFrame++;
    *out = buffer;
    return GST_FLOW_OK;
}

void Dispose(GObject* object) {
    KaraokeVideoSrc* self = Cast(object);
    if (self->audioPad) {
        gst_pad_remove_probe(self->audioPad, self->audioProbe);
        gst_clear_object(&self->audioPad);
    }
    G_OBJECT_CLASS(g_type_class_peek_parent(G_OBJECT_GET_CLASS(object)))->dispose(object);
}

void Finalize(GObject* object) {
    KaraokeVideoSrc* self = Cast(object);
    gst_buffer_replace(&self->drawn, nullptr);
    delete self->frames;
    self->frames = nullptr;
    G_OBJECT_CLASS(g_type_class_peek_parent(G_OBJECT_GET_CLASS(object)))->finalize(object);
}

void ClassInit(gpointer klass, gpointer) {
    G_OBJECT_CLASS(klass)->dispose = Dispose;
    G_OBJECT_CLASS(klass)->finalize = Finalize;
    auto* element = GST_ELEMENT_CLASS(klass);
    gst_element_class_set_static_metadata(element, "Karaoke video", "Source/Video",
                                          "Draws CD+G graphics or sung lyrics", "Tarvelo");
    const GstCapsPtr video(gst_caps_from_string("video/x-raw"));
    gst_element_class_add_pad_template(
        element, gst_pad_template_new("src", GST_PAD_SRC, GST_PAD_ALWAYS, video.get()));
    auto* base = GST_BASE_SRC_CLASS(klass);
    base->get_caps = GetCaps;
    base->is_seekable = IsSeekable;
    base->do_seek = DoSeek;
    base->query = Query;
    GST_PUSH_SRC_CLASS(klass)->create = Create;
}

void InstanceInit(GTypeInstance* instance, gpointer) {
    gst_base_src_set_format(GST_BASE_SRC(instance), GST_FORMAT_TIME);
    gst_base_src_set_live(GST_BASE_SRC(instance), FALSE);
    Cast(instance)->audioEnd = GST_CLOCK_TIME_NONE;
}

GType KaraokeVideoSrcType() {
    static const GType type = g_type_register_static_simple(
        GST_TYPE_PUSH_SRC, "TarveloKaraokeVideoSrc", sizeof(KaraokeVideoSrcClass), ClassInit,
        sizeof(KaraokeVideoSrc), InstanceInit, static_cast<GTypeFlags>(0));
    return type;
}

}  // namespace

GstElement* MakeKaraokeVideoSrc(std::unique_ptr<KaraokeFrames> frames) {
    auto* element = static_cast<GstElement*>(g_object_new(KaraokeVideoSrcType(), nullptr));
    Cast(element)->frames = frames.release();
    return element;
}

void FollowKaraokeAudio(GstElement* videoSrc, GstPad* audioPad) {
    KaraokeVideoSrc* self = Cast(videoSrc);
    self->audioPad = GST_PAD(gst_object_ref(audioPad));
    const auto watched = static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER |
                                                      GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM |
                                                      GST_PAD_PROBE_TYPE_EVENT_FLUSH);
    self->audioProbe = gst_pad_add_probe(audioPad, watched, WatchAudio, self, nullptr);
}
