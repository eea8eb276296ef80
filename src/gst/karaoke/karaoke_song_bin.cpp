#include "gst/karaoke/karaoke_song_bin.h"

#include <QFile>
#include <QFileInfo>
#include <optional>

#include "gst/karaoke/karaoke_source.h"
#include "gst/karaoke/karaoke_video_src.h"
#include "karaoke/extraction_folder.h"
#include "karaoke/lrc_reader.h"
#include "karaoke/midi_lyrics_reader.h"

namespace {

// Bounds on what is read into memory: a CD+G of an hour is 26 MB.
constexpr qint64 kMaxCdgBytes = 128 * 1024 * 1024;
constexpr qint64 kMaxLyricBytes = 16 * 1024 * 1024;

std::optional<QByteArray> ReadAll(const QString& path, qint64 maxBytes) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > maxBytes) return std::nullopt;
    return file.read(maxBytes);
}

bool IsAudio(GstPad* pad) {
    GstCapsPtr caps(gst_pad_get_current_caps(pad));
    if (!caps) caps.reset(gst_pad_query_caps(pad, nullptr));
    return caps && gst_caps_get_size(caps.get()) > 0 &&
           g_str_has_prefix(gst_structure_get_name(gst_caps_get_structure(caps.get(), 0)),
                            "audio/");
}

}  // namespace

// The reason goes to the bus, whose errors the playback pipeline logs: the user sees only
// that the file cannot be played.
void KaraokeSongBin::Fail(const QString& text) {
    GST_ELEMENT_ERROR(bin_, RESOURCE, OPEN_READ, ("%s", text.toUtf8().constData()), (nullptr));
}

bool KaraokeSongBin::Build() {
    built_ = true;
    media_ = ResolveKaraokeMedia(path_);
    if (media_.kind == KaraokeKind::None) {
        Fail(QStringLiteral("%1 is no karaoke song.").arg(path_));
        return false;
    }
    openedVisual_ =
        !media_.archivePath.isEmpty() || QFileInfo(path_) == QFileInfo(media_.visualPath);
    if (!media_.archivePath.isEmpty()) {
        // The song's copies go with it: the folder is removed when this bin is.
        const QString runFolder = ExtractionRunFolder();
        extracted_ = std::make_unique<QTemporaryDir>(runFolder + "/song-XXXXXX");
        const auto copies =
            !runFolder.isEmpty() && extracted_->isValid()
                ? ExtractArchivedPair(media_, extracted_->path(), kMaxArchiveMemberBytes)
                : std::nullopt;
        if (!copies) {
            Fail(QStringLiteral("Cannot unpack the song from %1.").arg(path_));
            return false;
        }
        media_ = *copies;
    }
    if (media_.audioPath.isEmpty()) {
        Fail(QStringLiteral("No audio for %1: an .mp3, .ogg, .wav or .flac file of the same "
                            "name must lie beside it.")
                 .arg(path_));
        return false;
    }
    std::unique_ptr<KaraokeFrames> frames;
    if (!MakeFrames(frames)) return false;
    if (frames) video_ = AdoptElement(MakeKaraokeVideoSrc(std::move(frames)));
    if (media_.kind == KaraokeKind::MidiLyrics) return BuildMidiAudio();
    if (BuildDecodedAudio()) return true;
    Fail(QStringLiteral("Cannot decode %1.").arg(media_.audioPath));
    return false;
}

// The graphics or lyrics as frames; nothing when the song has none to show. Fails only
// when the file that was opened is itself unusable; else the audio plays on its own.
bool KaraokeSongBin::MakeFrames(std::unique_ptr<KaraokeFrames>& frames) {
    const qint64 limit = media_.kind == KaraokeKind::CdgGraphics ? kMaxCdgBytes : kMaxLyricBytes;
    const auto bytes = ReadAll(media_.visualPath, limit);
    if (!bytes) {
        if (openedVisual_) Fail(QStringLiteral("Cannot read %1.").arg(media_.visualPath));
        return !openedVisual_;
    }
    switch (media_.kind) {
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
            } else if (openedVisual_) {
                Fail(QStringLiteral("%1 holds no timed lyrics.").arg(media_.visualPath));
                return false;
            }
            return true;
        }
        case KaraokeKind::None:
            break;
    }
    return false;
}

GstElement* KaraokeSongBin::AddElement(const char* factory) {
    GstElement* element = gst_element_factory_make(factory, nullptr);
    if (element) gst_bin_add(bin_, element);
    return element;
}

bool KaraokeSongBin::BuildMidiAudio() {
    const QString soundFont = FindSoundFont();
    if (soundFont.isEmpty()) {
        Fail(
            QStringLiteral("MIDI songs need the General MIDI sound font TimGM6mb.sf2 "
                           "(package timgm6mb-soundfont), which is not installed."));
        return false;
    }
    GstElement* source = AddElement("filesrc");
    GstElement* parse = AddElement("midiparse");
    GstElement* synth = AddElement("fluiddec");
    if (!source || !parse || !synth) {
        Fail(QStringLiteral("The MIDI synthesiser (GStreamer's fluiddec) is not installed."));
        return false;
    }
    g_object_set(source, "location", media_.audioPath.toUtf8().constData(), nullptr);
    g_object_set(synth, "soundfont", soundFont.toUtf8().constData(), nullptr);
    midiSynth_ = synth;
    return gst_element_link_many(source, parse, synth, nullptr);
}

bool KaraokeSongBin::BuildDecodedAudio() {
    GstElement* source = AddElement("filesrc");
    GstElement* decode = AddElement("decodebin");
    if (!source || !decode) return false;
    g_object_set(source, "location", media_.audioPath.toUtf8().constData(), nullptr);
    g_signal_connect(decode, "pad-added", G_CALLBACK(OnDecodedPad), this);
    g_signal_connect(decode, "no-more-pads", G_CALLBACK(OnDecodedNoMorePads), this);
    return gst_element_link(source, decode);
}

void KaraokeSongBin::OfferSynthesisedAudio() {
    if (!midiSynth_ || audioTaken_) return;
    audioTaken_ = true;
    const GstPadPtr audio(gst_element_get_static_pad(midiSynth_, "src"));
    ExposeStreams(audio.get());
}

void KaraokeSongBin::ExposePad(GstPad* target, const char* name) {
    GstPad* ghost = gst_ghost_pad_new(name, target);
    gst_pad_set_active(ghost, TRUE);
    gst_element_add_pad(GST_ELEMENT(bin_), ghost);
}

// Offers the audio and, with it, the video; the bin's user sees both appear together and
// then no more.
void KaraokeSongBin::ExposeStreams(GstPad* audio) {
    ExposePad(audio, "audio");
    if (video_) {
        FollowKaraokeAudio(video_.get(), audio);
        gst_bin_add(bin_, video_.get());
        const GstPadPtr videoPad(gst_element_get_static_pad(video_.get(), "src"));
        ExposePad(videoPad.get(), "video");
        gst_element_sync_state_with_parent(video_.get());
    }
    gst_element_no_more_pads(GST_ELEMENT(bin_));
}

// A stream of the audio file other than its first audio (cover art, a second track) ends
// in a sink of its own, so that it never blocks the song.
void KaraokeSongBin::Discard(GstPad* pad) {
    GstElement* sink = gst_element_factory_make("fakesink", nullptr);
    g_object_set(sink, "sync", FALSE, "async", FALSE, nullptr);
    gst_bin_add(bin_, sink);
    gst_element_sync_state_with_parent(sink);
    const GstPadPtr sinkPad(gst_element_get_static_pad(sink, "sink"));
    gst_pad_link(pad, sinkPad.get());
}

void KaraokeSongBin::OnDecodedPad(GstElement*, GstPad* pad, gpointer data) {
    auto* self = static_cast<KaraokeSongBin*>(data);
    bool take = IsAudio(pad);
    GST_OBJECT_LOCK(self->bin_);
    take = take && !self->audioTaken_;
    if (take) self->audioTaken_ = true;
    GST_OBJECT_UNLOCK(self->bin_);
    if (take) {
        self->ExposeStreams(pad);
    } else {
        self->Discard(pad);
    }
}

void KaraokeSongBin::OnDecodedNoMorePads(GstElement*, gpointer data) {
    auto* self = static_cast<KaraokeSongBin*>(data);
    GST_OBJECT_LOCK(self->bin_);
    const bool taken = self->audioTaken_;
    GST_OBJECT_UNLOCK(self->bin_);
    if (!taken) self->Fail(QStringLiteral("%1 holds no audio.").arg(self->media_.audioPath));
}
