#!/usr/bin/env bash
# Counts the microphone playthrough's dropouts a minute on a private sound server, at rest,
# while a second process keeps both cores busy, and with the window's thread held up too;
# then the server's own loopback at rest, for reference.
# The microphone is paced by the server, as a sound card is, and is the only one, so that
# the program takes it. SOUND_RIG_SERVER=pipewire measures on PipeWire;
# TARVELO_DROPOUT_SECONDS shortens the minute.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
source "$top/scripts/lib/build.sh"
source "$top/scripts/lib/sound_rig.sh"
BUILD_DIR=${BUILD_DIR:-$top/build}
cmake --build "$BUILD_DIR" --target playthrough_dropouts
trap sound_rig_stop EXIT
sound_rig_start
sound_rig_silence_singer
sound_rig_busy_output
sound_rig_unplug "$(pactl list modules short | grep 'source_name=singer' | cut -f1)"
sound_rig_plug_paced_microphone live_mic "Live Microphone" >/dev/null
pactl set-default-source live_mic
export TARVELO_DROPOUT_MICROPHONE=live_mic
"$BUILD_DIR/benchmarks/playthrough_dropouts"
"$BUILD_DIR/benchmarks/playthrough_dropouts" --load
"$BUILD_DIR/benchmarks/playthrough_dropouts" --load --busy-window
# The same ramp at rest through the server's own loopback, for reference.
pactl load-module module-loopback source=live_mic sink=speakers latency_msec=1 >/dev/null
"$BUILD_DIR/benchmarks/playthrough_dropouts" --server-loopback
