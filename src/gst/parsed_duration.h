#pragma once

#include <gst/gst.h>

#include <optional>

// A song's length as its stream parser reckons it from the file's size and the bitrate of
// the frames read so far. MP3s without a header of their length (most constant-bitrate
// ones) answer no length query until they have played a while; a player asks the parser.
std::optional<gint64> ParsedDurationNs(GstBin* pipeline);
