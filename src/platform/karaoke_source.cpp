#include "platform/karaoke_source.h"

#include <gst/gst.h>

#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>
#include <memory>
#include <mutex>
#include <optional>

#include "karaoke/karaoke_frames.h"
#include "karaoke/karaoke_media.h"
#include "karaoke/lrc_reader.h"
#include "karaoke/midi_lyrics_reader.h"
#include "platform/gst_handles.h"
#include "platform/karaoke_video_src.h"

namespace {

constexpr const char* kScheme = "tarvelo-karaoke";
constexpr const char* kSoundFont = "sounds/sf2/TimGM6mb.sf2";
// Bounds on what is read into memory: a CD+G of an hour is 26 MB.
constexpr qint64 kMaxCdgBytes = 128 * 1024 * 1024;
constexpr qint64 kMaxLyricBytes = 16 * 1024 * 1024;
constexpr qint64 kMaxArchiveMemberBytes = 1024LL * 1024 * 1024;

// What one source element has built; lives from the URI's check to the element's end.
struct SourceState {
    QString path;
    KaraokeMedia media;
    std::unique_ptr<QTemporaryDir> extracted;
    // Whether the user opened the graphics or lyrics file itself (not its audio).
    bool openedVisual = false;
    // Joins the bin only with the audio, so that it never pushes while unlinked.
    GstElementPtr video;
    GstElement* midiSynth = nullptr;  // the bin's
    bool built = false;
    bool audioTaken = false;  // under the object lock: decoded pads arrive on streaming threads
};

struct KaraokeSource {
    GstBin parent;
    gchar* uri;
    SourceState* state;
};

struct KaraokeSourceClass {
    GstBinClass parentClass;
};

GType KaraokeSourceType();

KaraokeSource* Cast(gpointer object) {
    return G_TYPE_CHECK_INSTANCE_CAST(object, KaraokeSourceType(), KaraokeSource);
}

std::optional<QByteArray> ReadAll(const QString& path, qint64 maxBytes) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > maxBytes) return std::nullopt;
    return file.read(maxBytes);
}

// The reason goes to the bus and, as the user sees only that the file cannot be played,
// to the console as well.
void Fail(KaraokeSource* self, const QString& text) {
    qWarning("%s", qUtf8Printable(text));
    GST_ELEMENT_ERROR(self, RESOURCE, OPEN_READ, ("%s", text.toUtf8().constData()), (nullptr));
}

// The graphics or lyrics as frames; nothing when the song has none to show. Fails (with
// the error posted) only when the file that was opened is itself unusable.
bool MakeFrames(KaraokeSource* self, std::unique_ptr<KaraokeFrames>& frames) {
    const SourceState& state = *self->state;
    const bool openedVisual = state.openedVisual;  // else a failure leaves plain audio
    const qint64 limit =
        state.media.kind == KaraokeKind::CdgGraphics ? kMaxCdgBytes : kMaxLyricBytes;
    const auto bytes = ReadAll(state.media.visualPath, limit);
    if (!bytes) {
        if (openedVisual) Fail(self, QStringLiteral("Cannot read %1.").arg(state.media.visualPath));
        return !openedVisual;
    }
    switch (state.media.kind) {
        case KaraokeKind::CdgGraphics:
            frames = MakeCdgFrames(*bytes);
            return true;
        case KaraokeKind::MidiLyrics: {
            Lyrics lyrics = ReadMidiLyrics(*bytes);
            if (!lyrics.lines.empty()) frames = MakeLyricFrames(std::move(lyrics));
            return true;
        }
        case KaraokeKind::LrcLyrics: {
            Lyrics lyrics = ReadLrc(*bytes);
            if (!lyrics.lines.empty()) {
                frames = MakeLyricFrames(std::move(lyrics));
            } else if (openedVisual) {
                Fail(self, QStringLiteral("%1 holds no timed lyrics.").arg(state.media.visualPath));
                return false;
            }
            return true;
        }
        case KaraokeKind::None:
            break;
    }
    return false;
}

void ExposePad(KaraokeSource* self, GstPad* target, const char* name) {
    GstPad* ghost = gst_ghost_pad_new(name, target);
    gst_pad_set_active(ghost, TRUE);
    gst_element_add_pad(GST_ELEMENT(self), ghost);
}

// Offers the decoded audio and, with it, the video; pads are added only now that the
// audio exists, so the element's user sees both appear together and then no more.
void ExposeStreams(KaraokeSource* self, GstPad* audio) {
    SourceState& state = *self->state;
    ExposePad(self, audio, "audio");
    if (state.video) {
        FollowKaraokeAudio(state.video.get(), audio);
        gst_bin_add(GST_BIN(self), state.video.get());
        const GstPadPtr videoPad(gst_element_get_static_pad(state.video.get(), "src"));
        ExposePad(self, videoPad.get(), "video");
        gst_element_sync_state_with_parent(state.video.get());
    }
    gst_element_no_more_pads(GST_ELEMENT(self));
}

bool IsAudio(GstPad* pad) {
    GstCapsPtr caps(gst_pad_get_current_caps(pad));
    if (!caps) caps.reset(gst_pad_query_caps(pad, nullptr));
    return caps && gst_caps_get_size(caps.get()) > 0 &&
           g_str_has_prefix(gst_structure_get_name(gst_caps_get_structure(caps.get(), 0)),
                            "audio/");
}

// A stream of the audio file other than its first audio (cover art, a second track) ends
// in a sink of its own, so that it never blocks the song.
void Discard(KaraokeSource* self, GstPad* pad) {
    GstElement* sink = gst_element_factory_make("fakesink", nullptr);
    g_object_set(sink, "sync", FALSE, "async", FALSE, nullptr);
    gst_bin_add(GST_BIN(self), sink);
    gst_element_sync_state_with_parent(sink);
    const GstPadPtr sinkPad(gst_element_get_static_pad(sink, "sink"));
    gst_pad_link(pad, sinkPad.get());
}

void OnDecodedPad(GstElement*, GstPad* pad, gpointer data) {
    KaraokeSource* self = Cast(data);
    bool take = IsAudio(pad);
    GST_OBJECT_LOCK(self);
    take = take && !self->state->audioTaken;
    if (take) self->state->audioTaken = true;
    GST_OBJECT_UNLOCK(self);
    if (take) {
        ExposeStreams(self, pad);
    } else {
        Discard(self, pad);
    }
}

void OnDecodedNoMorePads(GstElement*, gpointer data) {
    KaraokeSource* self = Cast(data);
    GST_OBJECT_LOCK(self);
    const bool taken = self->state->audioTaken;
    GST_OBJECT_UNLOCK(self);
    if (!taken) Fail(self, QStringLiteral("%1 holds no audio.").arg(self->state->media.audioPath));
}

GstElement* AddElement(KaraokeSource* self, const char* factory) {
    GstElement* element = gst_element_factory_make(factory, nullptr);
    if (element) gst_bin_add(GST_BIN(self), element);
    return element;
}

bool BuildMidiAudio(KaraokeSource* self) {
    const QString soundFont = FindSoundFont();
    if (soundFont.isEmpty()) {
        Fail(self, QStringLiteral("MIDI songs need the General MIDI sound font TimGM6mb.sf2 "
                                  "(package timgm6mb-soundfont), which is not installed."));
        return false;
    }
    GstElement* source = AddElement(self, "filesrc");
    GstElement* parse = AddElement(self, "midiparse");
    GstElement* synth = AddElement(self, "fluiddec");
    if (!source || !parse || !synth) {
        Fail(self, QStringLiteral("The MIDI synthesiser (GStreamer's fluiddec) is not installed."));
        return false;
    }
    g_object_set(source, "location", self->state->media.audioPath.toUtf8().constData(), nullptr);
    g_object_set(synth, "soundfont", soundFont.toUtf8().constData(), nullptr);
    self->state->midiSynth = synth;
    return gst_element_link_many(source, parse, synth, nullptr);
}

bool BuildDecodedAudio(KaraokeSource* self) {
    GstElement* source = AddElement(self, "filesrc");
    GstElement* decode = AddElement(self, "decodebin");
    if (!source || !decode) return false;
    g_object_set(source, "location", self->state->media.audioPath.toUtf8().constData(), nullptr);
    g_signal_connect(decode, "pad-added", G_CALLBACK(OnDecodedPad), self);
    g_signal_connect(decode, "no-more-pads", G_CALLBACK(OnDecodedNoMorePads), self);
    return gst_element_link(source, decode);
}

bool Build(KaraokeSource* self) {
    SourceState& state = *self->state;
    state.media = ResolveKaraokeMedia(state.path);
    if (state.media.kind == KaraokeKind::None) {
        Fail(self, QStringLiteral("%1 is no karaoke song.").arg(state.path));
        return false;
    }
    state.openedVisual = !state.media.archivePath.isEmpty() ||
                         QFileInfo(state.path) == QFileInfo(state.media.visualPath);
    if (!state.media.archivePath.isEmpty()) {
        state.extracted = std::make_unique<QTemporaryDir>();
        const auto copies =
            state.extracted->isValid()
                ? ExtractArchivedPair(state.media, state.extracted->path(), kMaxArchiveMemberBytes)
                : std::nullopt;
        if (!copies) {
            Fail(self, QStringLiteral("Cannot unpack the song from %1.").arg(state.path));
            return false;
        }
        state.media = *copies;
    }
    if (state.media.audioPath.isEmpty()) {
        Fail(self, QStringLiteral("No audio for %1: an .mp3, .ogg, .wav or .flac file of the same "
                                  "name must lie beside it.")
                       .arg(state.path));
        return false;
    }
    std::unique_ptr<KaraokeFrames> frames;
    if (!MakeFrames(self, frames)) return false;
    if (frames) state.video = AdoptElement(MakeKaraokeVideoSrc(std::move(frames)));
    if (state.media.kind == KaraokeKind::MidiLyrics) return BuildMidiAudio(self);
    if (BuildDecodedAudio(self)) return true;
    Fail(self, QStringLiteral("Cannot decode %1.").arg(state.media.audioPath));
    return false;
}

GstStateChangeReturn ChangeState(GstElement* element, GstStateChange transition) {
    KaraokeSource* self = Cast(element);
    if (transition == GST_STATE_CHANGE_NULL_TO_READY && !self->state->built) {
        self->state->built = true;
        if (!Build(self)) return GST_STATE_CHANGE_FAILURE;
    }
    // The synthesiser's output exists from the start; it is offered as the children
    // begin to run, like the decoded audio of the other songs.
    if (transition == GST_STATE_CHANGE_READY_TO_PAUSED && self->state->midiSynth &&
        !self->state->audioTaken) {
        self->state->audioTaken = true;
        const GstPadPtr audio(gst_element_get_static_pad(self->state->midiSynth, "src"));
        ExposeStreams(self, audio.get());
    }
    return GST_ELEMENT_CLASS(g_type_class_peek_parent(G_OBJECT_GET_CLASS(element)))
        ->change_state(element, transition);
}

void Finalize(GObject* object) {
    KaraokeSource* self = Cast(object);
    g_free(self->uri);
    delete self->state;
    G_OBJECT_CLASS(g_type_class_peek_parent(G_OBJECT_GET_CLASS(object)))->finalize(object);
}

GstURIType UriType(GType) {
    return GST_URI_SRC;
}

const gchar* const* Protocols(GType) {
    static const gchar* const protocols[] = {kScheme, nullptr};
    return protocols;
}

gchar* GetUri(GstURIHandler* handler) {
    KaraokeSource* self = Cast(handler);
    GST_OBJECT_LOCK(self);
    gchar* uri = g_strdup(self->uri);
    GST_OBJECT_UNLOCK(self);
    return uri;
}

gboolean SetUri(GstURIHandler* handler, const gchar* uri, GError** error) {
    KaraokeSource* self = Cast(handler);
    const QUrl url(QString::fromUtf8(uri));
    if (GST_STATE(self) != GST_STATE_NULL || self->state->built || url.scheme() != kScheme) {
        g_set_error(error, GST_URI_ERROR, GST_URI_ERROR_BAD_STATE, "Cannot take the URI %s now",
                    uri);
        return FALSE;
    }
    GST_OBJECT_LOCK(self);
    g_free(self->uri);
    self->uri = g_strdup(uri);
    self->state->path = url.path();
    GST_OBJECT_UNLOCK(self);
    return TRUE;
}

void UriHandlerInit(gpointer iface, gpointer) {
    auto* handler = static_cast<GstURIHandlerInterface*>(iface);
    handler->get_type = UriType;
    handler->get_protocols = Protocols;
    handler->get_uri = GetUri;
    handler->set_uri = SetUri;
}

void ClassInit(gpointer klass, gpointer) {
    G_OBJECT_CLASS(klass)->finalize = Finalize;
    auto* element = GST_ELEMENT_CLASS(klass);
    element->change_state = ChangeState;
    gst_element_class_set_static_metadata(
        element, "Karaoke song source", "Source/Audio/Video",
        "Plays a karaoke song's audio with its graphics or lyrics", "Tarvelo");
    const GstCapsPtr any(gst_caps_new_any());
    for (const char* name : {"audio", "video"}) {
        gst_element_class_add_pad_template(
            element, gst_pad_template_new(name, GST_PAD_SRC, GST_PAD_SOMETIMES, any.get()));
    }
}

void InstanceInit(GTypeInstance* instance, gpointer) {
    Cast(instance)->state = new SourceState;
}

GType KaraokeSourceType() {
    static const GType type = [] {
        const GType registered = g_type_register_static_simple(
            GST_TYPE_BIN, "TarveloKaraokeSource", sizeof(KaraokeSourceClass), ClassInit,
            sizeof(KaraokeSource), InstanceInit, static_cast<GTypeFlags>(0));
        const GInterfaceInfo handler = {UriHandlerInit, nullptr, nullptr};
        g_type_add_interface_static(registered, GST_TYPE_URI_HANDLER, &handler);
        return registered;
    }();
    return type;
}

}  // namespace

void RegisterKaraokeElements() {
    static std::once_flag once;
    std::call_once(once, [] {
        gst_init(nullptr, nullptr);  // does nothing when GStreamer is already initialised
        gst_element_register(nullptr, "tarvelokaraokesrc", GST_RANK_PRIMARY, KaraokeSourceType());
    });
}

QString KaraokeUriFor(const QString& path) {
    if (ResolveKaraokeMedia(path).kind == KaraokeKind::None) return {};
    QUrl url = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
    url.setScheme(kScheme);
    return url.toString(QUrl::FullyEncoded);
}

QString FindSoundFont() {
    return QStandardPaths::locate(QStandardPaths::GenericDataLocation, kSoundFont);
}
