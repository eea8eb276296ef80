# A private sound server for tests and for machines without one (PulseAudio, or PipeWire
# with SOUND_RIG_SERVER=pipewire, see sound_rig_server.sh):
# a null output "Speakers" and a microphone "Singer" (a pipe source of microphone form
# factor) that a tone generator feeds. Source this file, then call sound_rig_start and,
# at the end, sound_rig_stop.

source "$(dirname "${BASH_SOURCE[0]}")/sound_rig_server.sh"

SOUND_RIG_SINGER_HZ=${SOUND_RIG_SINGER_HZ:-660}

sound_rig_start() {
  SOUND_RIG_DIR=$(mktemp -d /tmp/tarvelo-sound.XXXXXX)
  chmod 700 "$SOUND_RIG_DIR"
  export SOUND_RIG_DIR
  export TARVELO_SINGER_FIFO=$SOUND_RIG_DIR/singer.fifo
  sound_rig_start_server || return 1
  sound_rig_plug_output speakers Speakers >/dev/null
  sound_rig_plug_microphone singer Singer 1 microphone >/dev/null
  pactl set-default-sink speakers
  pactl set-default-source singer
  # The singer sings all the time; a pipe source without a writer would stall its readers.
  # It sings in real time, 10 ms at a time: the clock paces the tone, and the pipe gets each
  # block at once (unbuffered), since a recorder's small buffer loses what comes in bursts.
  gst-launch-1.0 -q audiotestsrc freq="$SOUND_RIG_SINGER_HZ" volume=0.5 is-live=true samplesperbuffer=480 \
    ! audio/x-raw,format=S16LE,rate=48000,channels=1 \
    ! filesink location="$TARVELO_SINGER_FIFO" buffer-mode=unbuffered sync=false >/dev/null 2>&1 &
  SOUND_RIG_SINGER_PID=$!
  # Someone always listens, so that the pipe never fills up while nobody records: a
  # recording then gets what is sung from its start on, without a backlog ahead of it.
  parec --device=singer --latency-msec=50 >/dev/null 2>&1 &
  SOUND_RIG_LISTENER_PID=$!
  echo "sound rig: private $SOUND_RIG_SERVER server at $PULSE_SERVER"
}

# Stops the rig's tone generator, so that a benchmark alone feeds the singer's pipe.
sound_rig_silence_singer() {
  # Only once the generator runs: a signal that reaches the shell's child before it has
  # become the generator would run the shell's exit trap there.
  sleep 1
  kill "$SOUND_RIG_SINGER_PID"
  SOUND_RIG_SINGER_PID=
}

sound_rig_stop() {
  [ -n "${SOUND_RIG_LISTENER_PID:-}" ] && kill "$SOUND_RIG_LISTENER_PID" 2>/dev/null
  [ -n "${SOUND_RIG_SINGER_PID:-}" ] && kill "$SOUND_RIG_SINGER_PID" 2>/dev/null
  [ -n "${SOUND_RIG_SONG_PID:-}" ] && kill "$SOUND_RIG_SONG_PID" 2>/dev/null
  sound_rig_stop_server
  [ -n "${SOUND_RIG_DIR:-}" ] && rm -rf "$SOUND_RIG_DIR"
  SOUND_RIG_LISTENER_PID= SOUND_RIG_SINGER_PID= SOUND_RIG_SONG_PID= SOUND_RIG_DIR=
}

# Keeps the output busy with a steady stream, as a playing song does, so that what is
# measured on it is not an idle output waking up. Stopped with the rig.
sound_rig_busy_output() {
  gst-launch-1.0 -q audiotestsrc wave=silence is-live=true \
    ! audio/x-raw,format=S16LE,rate=48000,channels=2 ! pulsesink device=speakers >/dev/null 2>&1 &
  SOUND_RIG_SONG_PID=$!
  sleep 1
}
