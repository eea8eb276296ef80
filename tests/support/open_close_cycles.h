#pragma once

#include <QString>

#include "support/media_maker.h"

class MainDialogFixture;

// The songs that Open and Close cycles play: a generated video with sound and an MP3+G zip
// song, made in a folder of their own.
class CycleSongs {
  public:
    CycleSongs();
    bool ready() const { return ready_; }
    const QString& video() const { return video_; }
    const QString& zipSong() const { return zipSong_; }

  private:
    MediaMaker maker_;
    QString video_;
    QString zipSong_;
    bool ready_ = false;
};

// Opens the file in the window as the Open button does, then closes it as the Close
// button does, and lets the event loop finish what the close left to it; false when the
// file did not open.
bool OpenAndClose(MainDialogFixture& window, const QString& path);

// What this process holds now: open file descriptors, and resident memory in kilobytes.
int OpenFileCount();
long ResidentKilobytes();
