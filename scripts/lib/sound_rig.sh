# A private PulseAudio server for tests and for machines without a sound server:
# a null output "Speakers" and a microphone "Singer" (a pipe source of microphone form
# factor) that a tone generator feeds. Source this file, then call sound_rig_start and,
# at the end, sound_rig_stop.

SOUND_RIG_SINGER_HZ=${SOUND_RIG_SINGER_HZ:-660}

sound_rig_start() {
  SOUND_RIG_DIR=$(mktemp -d /tmp/tarvelo-sound.XXXXXX)
  chmod 700 "$SOUND_RIG_DIR"
  export XDG_RUNTIME_DIR=$SOUND_RIG_DIR
  export PULSE_RUNTIME_PATH=$SOUND_RIG_DIR/pulse
  export PULSE_SERVER=unix:$SOUND_RIG_DIR/pulse/native
  export TARVELO_SINGER_FIFO=$SOUND_RIG_DIR/singer.fifo
  # One fixed rate: a null sink that switches rate between songs makes timings differ
  # from test to test.
  printf 'default-sample-rate = 48000\nalternate-sample-rate = 48000\n' >"$SOUND_RIG_DIR/daemon.conf"
  PULSE_CONFIG=$SOUND_RIG_DIR/daemon.conf pulseaudio --daemonize=no -n --exit-idle-time=-1 --disallow-exit --log-target=stderr \
    -L module-native-protocol-unix \
    -L "module-null-sink sink_name=speakers sink_properties=device.description=Speakers" \
    -L "module-pipe-source source_name=singer file=$TARVELO_SINGER_FIFO format=s16le rate=48000 channels=1 source_properties='device.form_factor=microphone device.description=Singer'" \
    >"$SOUND_RIG_DIR/pulseaudio.log" 2>&1 &
  SOUND_RIG_SERVER_PID=$!
  local tries=0
  until pactl info >/dev/null 2>&1; do
    tries=$((tries + 1))
    if [ "$tries" -gt 50 ] || ! kill -0 "$SOUND_RIG_SERVER_PID" 2>/dev/null; then
      echo "sound rig: the private PulseAudio server did not start:" >&2
      cat "$SOUND_RIG_DIR/pulseaudio.log" >&2
      return 1
    fi
    sleep 0.1
  done
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
  echo "sound rig: private PulseAudio at $PULSE_SERVER"
}

sound_rig_stop() {
  [ -n "${SOUND_RIG_LISTENER_PID:-}" ] && kill "$SOUND_RIG_LISTENER_PID" 2>/dev/null
  [ -n "${SOUND_RIG_SINGER_PID:-}" ] && kill "$SOUND_RIG_SINGER_PID" 2>/dev/null
  [ -n "${SOUND_RIG_SERVER_PID:-}" ] && kill "$SOUND_RIG_SERVER_PID" 2>/dev/null
  [ -n "${SOUND_RIG_SERVER_PID:-}" ] && wait "$SOUND_RIG_SERVER_PID" 2>/dev/null
  [ -n "${SOUND_RIG_DIR:-}" ] && rm -rf "$SOUND_RIG_DIR"
  SOUND_RIG_LISTENER_PID= SOUND_RIG_SINGER_PID= SOUND_RIG_SERVER_PID= SOUND_RIG_DIR=
}
