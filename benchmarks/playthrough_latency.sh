#!/usr/bin/env bash
# Measures the microphone playthrough's latency on a private sound server while a song
# keeps the output busy, then the server's own loopback module's on the same clicks. The
# microphone is paced by the server, as a sound card is, and is the only one, so that the
# program takes it. SOUND_RIG_SERVER=pipewire measures on PipeWire.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
source "$top/scripts/lib/build.sh"
source "$top/scripts/lib/sound_rig.sh"
BUILD_DIR=${BUILD_DIR:-$top/build}
cmake --build "$BUILD_DIR" --target playthrough_latency
trap sound_rig_stop EXIT
sound_rig_start
sound_rig_silence_singer
sound_rig_unplug "$(pactl list modules short | grep 'source_name=singer' | cut -f1)"
sound_rig_plug_paced_microphone live_mic "Live Microphone" >/dev/null
pactl set-default-source live_mic
sound_rig_busy_output
export TARVELO_PLAYTHROUGH_MICROPHONE=live_mic
"$BUILD_DIR/benchmarks/playthrough_latency"
# The same clicks through the server's own loopback at its lowest latency, for reference.
pactl load-module module-loopback source=live_mic sink=speakers latency_msec=1 >/dev/null
"$BUILD_DIR/benchmarks/playthrough_latency" --server-loopback
