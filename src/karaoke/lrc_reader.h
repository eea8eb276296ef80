#pragma once

#include <QByteArrayView>

#include "karaoke/lyrics.h"

// Reads LRC lyrics: "[mm:ss.xx]" line times (several on one line repeat the line), ID tags
// such as "[ti:...]", "[ar:...]" and "[offset:+/-ms]", and enhanced "<mm:ss.xx>" word times.
// Lines without a time are not sung and are left out. The result is sorted by time; input
// that holds no timed line gives no lines.
Lyrics ReadLrc(QByteArrayView bytes);
