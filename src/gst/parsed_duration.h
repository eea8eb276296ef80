#pragma once

#include <gst/gst.h>

#include <optional>

#include "gst/gst_handles.h"

// The stream parser among the pipeline's elements, or null. A pipeline keeps its parser from
// preroll to its end, so it is looked for once, not on every query: the search walks every
// element of every bin.
GstElementPtr FindStreamParser(GstBin* pipeline);

// A song's length as its stream parser reckons it from the file's size and the bitrate of
// the frames read so far. MP3s without a header of their length (most constant-bitrate
// ones) answer no length query until they have played a while; a player asks the parser.
std::optional<gint64> ParsedDurationNs(GstElement* parser);
