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
    explicit KaraokeSongBin(GstBin* bin) : bin_(bin) {}

    void SetPath(const QString& songPath) { path_ = songPath; }
    bool Built() const { return built_; }
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

    GstBin* bin_;  // the bin this lives in
    QString path_;
    KaraokeMedia media_;
    std::unique_ptr<QTemporaryDir> extracted_;
    // Whether the user opened the graphics or lyrics file itself (not its audio).
    bool openedVisual_ = false;
    // Joins the bin only with the audio, so that it never pushes while unlinked.
    GstElementPtr video_;
    GstElement* midiSynth_ = nullptr;  // the bin's
    bool built_ = false;
    bool audioTaken_ = false;  // under the bin's lock: decoded pads come on streaming threads
};
