#include "karaoke/lyrics.h"

QString LyricLine::Text() const {
    QString text;
    for (const LyricSyllable& syllable : syllables) text += syllable.text;
    return text;
}
