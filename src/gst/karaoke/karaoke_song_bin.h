#pragma once

#include <gst/gst.h>

#include <QString>
#include <QTemporaryDir>
#include <memory>

#include "gst/gst_handles.h"
#include "karaoke/karaoke_frames.h"
#include "karaoke/karaoke_media.h"

// The inside of a karaoke song source: the song's audio chain and the video of its
// graphics or lyrics, built into the source's bin, and the source's two pads, offered
// together once the audio is there.
class KaraokeSongBin {
  public:
    explicit KaraokeSongBin(GstBin* bin) : bin(bin) {}

    void SetPath(const QString& songPath) { path = songPath; }
    bool Built() const { return built; }
    // Builds the chains for the song; false, with the reason posted, when it cannot play.
    bool Build();
    // A MIDI song's synthesised audio exists from the start; it is offered as the bin
    // begins to run, like the decoded audio of the other songs.
    void OfferSynthesisedAudio();

  private:
    static void OnDecodedPad(GstElement*, GstPad* pad, gpointer self);
    static void OnDecodedNoMorePads(GstElement*, gpointer self);

    void Fail(const QString& text);
    bool MakeFrames(std::unique_ptr<KaraokeFrames>& frames);
    bool BuildMidiAudio();
    bool BuildDecodedAudio();
    GstElement* AddElement(const char* factory);
    void ExposePad(GstPad* target, const char* name);
    void ExposeStreams(GstPad* audio);
    void Discard(GstPad* pad);

    GstBin* bin;  // the bin this lives in
    QString path;
    KaraokeMedia media;
    std::unique_ptr<QTemporaryDir> extracted;
    // Whether the user opened the graphics or lyrics file itself (not its audio).
    bool openedVisual = false;
    // Joins the bin only with the audio, so that it never pushes while unlinked.
    GstElementPtr video;
    GstElement* midiSynth = nullptr;  // the bin's
    bool built = false;
    bool audioTaken = false;  // under the bin's lock: decoded pads come on streaming threads
};
