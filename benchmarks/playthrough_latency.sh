#!/usr/bin/env bash
# Measures the microphone playthrough's latency on a private sound server, then the
# server's own loopback module's on the same clicks: the server's tone generator is
# stopped so that the benchmark alone feeds the microphone pipe.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
source "$top/scripts/lib/build.sh"
source "$top/scripts/lib/sound_rig.sh"
BUILD_DIR=${BUILD_DIR:-$top/build}
cmake --build "$BUILD_DIR" --target playthrough_latency
trap sound_rig_stop EXIT
sound_rig_start
sound_rig_silence_singer
"$BUILD_DIR/benchmarks/playthrough_latency"
# The same clicks through the server's own loopback at its lowest latency, for reference.
pactl load-module module-loopback source=singer sink=speakers latency_msec=1 >/dev/null
"$BUILD_DIR/benchmarks/playthrough_latency" --server-loopback
