# The private sound server of the rig, PulseAudio or PipeWire with its PulseAudio server
# (SOUND_RIG_SERVER=pulseaudio or pipewire), and the desktop-shaped layouts tests stand up
# on it. Sourced by sound_rig.sh; every function expects SOUND_RIG_DIR, the rig's 0700
# runtime folder.

SOUND_RIG_SERVER=${SOUND_RIG_SERVER:-pulseaudio}

# Whether the named server can run here.
sound_rig_server_installed() {
  case "$1" in
    pulseaudio) command -v pulseaudio >/dev/null ;;
    pipewire) command -v pipewire >/dev/null && command -v pipewire-pulse >/dev/null &&
      command -v wireplumber >/dev/null && command -v dbus-daemon >/dev/null ;;
    *) return 1 ;;
  esac
}

# Starts the server chosen by SOUND_RIG_SERVER with no device at all and waits until it
# answers.
sound_rig_start_server() {
  export XDG_RUNTIME_DIR=$SOUND_RIG_DIR
  export PULSE_SERVER=unix:$SOUND_RIG_DIR/pulse/native
  # Both servers put their socket here; a path left from an earlier rig would win.
  export PULSE_RUNTIME_PATH=$SOUND_RIG_DIR/pulse
  SOUND_RIG_SERVER_PIDS=()
  case "$SOUND_RIG_SERVER" in
    pulseaudio) sound_rig_start_pulseaudio ;;
    pipewire) sound_rig_start_pipewire ;;
    *) echo "sound rig: unknown server $SOUND_RIG_SERVER" >&2; return 1 ;;
  esac
  local tries=0
  until pactl info >/dev/null 2>&1; do
    tries=$((tries + 1))
    if [ "$tries" -gt 50 ] || ! sound_rig_server_alive; then
      echo "sound rig: the private $SOUND_RIG_SERVER server did not start:" >&2
      cat "$SOUND_RIG_DIR"/*.log >&2
      return 1
    fi
    sleep 0.1
  done
  # Benchmarks weigh the server's own work beside the program's.
  export SOUND_RIG_SERVER_PID_LIST="${SOUND_RIG_SERVER_PIDS[*]}"
}

sound_rig_start_pulseaudio() {
  # One fixed rate: a null sink that switches rate between songs makes timings differ
  # from test to test.
  printf 'default-sample-rate = 48000\nalternate-sample-rate = 48000\n' >"$SOUND_RIG_DIR/daemon.conf"
  PULSE_CONFIG=$SOUND_RIG_DIR/daemon.conf pulseaudio --daemonize=no -n --exit-idle-time=-1 \
    --disallow-exit --log-target=stderr -L module-native-protocol-unix \
    >"$SOUND_RIG_DIR/pulseaudio.log" 2>&1 &
  SOUND_RIG_SERVER_PIDS=($!)
}

# PipeWire needs a session bus; the session manager keeps its state (the default devices)
# inside the rig's folder, so that no run inherits another's.
sound_rig_start_pipewire() {
  local environment=(env XDG_STATE_HOME="$SOUND_RIG_DIR/state" XDG_CONFIG_HOME="$SOUND_RIG_DIR/config"
    DBUS_SESSION_BUS_ADDRESS="unix:path=$SOUND_RIG_DIR/bus")
  mkdir -p "$SOUND_RIG_DIR/state" "$SOUND_RIG_DIR/config"
  dbus-daemon --session --address="unix:path=$SOUND_RIG_DIR/bus" --nofork --nopidfile \
    >"$SOUND_RIG_DIR/dbus.log" 2>&1 &
  SOUND_RIG_SERVER_PIDS=($!)
  local tries=0
  until [ -S "$SOUND_RIG_DIR/bus" ] || [ "$tries" -gt 50 ]; do tries=$((tries + 1)); sleep 0.1; done
  "${environment[@]}" pipewire >"$SOUND_RIG_DIR/pipewire.log" 2>&1 &
  SOUND_RIG_SERVER_PIDS+=($!)
  tries=0
  until [ -S "$SOUND_RIG_DIR/pipewire-0" ] || [ "$tries" -gt 50 ]; do tries=$((tries + 1)); sleep 0.1; done
  "${environment[@]}" wireplumber >"$SOUND_RIG_DIR/wireplumber.log" 2>&1 &
  SOUND_RIG_SERVER_PIDS+=($!)
  "${environment[@]}" pipewire-pulse >"$SOUND_RIG_DIR/pipewire-pulse.log" 2>&1 &
  SOUND_RIG_SERVER_PIDS+=($!)
}

sound_rig_server_alive() {
  local pid
  for pid in "${SOUND_RIG_SERVER_PIDS[@]}"; do kill -0 "$pid" 2>/dev/null || return 1; done
}

# Stops the server's processes, the last started first.
sound_rig_stop_server() {
  local i
  for ((i = ${#SOUND_RIG_SERVER_PIDS[@]} - 1; i >= 0; i--)); do
    kill "${SOUND_RIG_SERVER_PIDS[i]}" 2>/dev/null
    wait "${SOUND_RIG_SERVER_PIDS[i]}" 2>/dev/null
  done
  SOUND_RIG_SERVER_PIDS=()
}

# An output, as a null sink: sound_rig_plug_output NAME DESCRIPTION. Prints the module.
sound_rig_plug_output() {
  pactl load-module module-null-sink sink_name="$1" \
    "sink_properties='device.description=\"$2\"'"
}

# A microphone, as a pipe source that reads SOUND_RIG_DIR/NAME.fifo:
# sound_rig_plug_microphone NAME DESCRIPTION CHANNELS [FORM_FACTOR]. Prints the module.
# Without a form factor the server knows it only by its name, as many drivers leave it.
sound_rig_plug_microphone() {
  local properties="device.description=\"$2\""
  [ -n "${4:-}" ] && properties="$properties device.form_factor=$4"
  pactl load-module module-pipe-source source_name="$1" file="$SOUND_RIG_DIR/$1.fifo" \
    format=s16le rate=48000 channels="$3" "source_properties='$properties'"
}

# A microphone whose samples come at the server's own pace, as a sound card's do: what is
# played into the output NAME_feed, heard through a source NAME of microphone form factor.
# sound_rig_plug_paced_microphone NAME DESCRIPTION. Prints both modules.
sound_rig_plug_paced_microphone() {
  sound_rig_plug_output "$1_feed" "$2 feed"
  pactl load-module module-remap-source master="$1_feed.monitor" source_name="$1" \
    "source_properties='device.description=\"$2\" device.form_factor=microphone'"
}

# sound_rig_set_default sink|source NAME: makes NAME the default output or input and
# waits until the server reports it, asking again meanwhile: on PipeWire the session
# manager settles the default a moment after a device comes, and in a long run a request
# made right after the device was plugged sometimes never took effect.
sound_rig_set_default() {
  local tries=0
  until [ "$(pactl get-default-"$1")" = "$2" ] || [ "$tries" -gt 50 ]; do
    pactl set-default-"$1" "$2" 2>/dev/null || true
    tries=$((tries + 1))
    sleep 0.1
  done
}

sound_rig_unplug() {
  pactl unload-module "$1"
}

# A desktop's devices beside the rig's own: an HDMI output ahead of the others in the
# server's order, a headset output that is the default, a stereo microphone and a webcam
# whose microphone is described as most drivers describe an input ("... Analog Stereo").
# Prints the modules, one a line, for sound_rig_unplug.
sound_rig_plug_desktop() {
  sound_rig_plug_output hdmi "Built-in Audio Digital Stereo (HDMI)"
  sound_rig_plug_output headset "Headset Analog Stereo"
  sound_rig_plug_microphone stereo_mic "Stereo Microphone" 2 microphone
  sound_rig_plug_microphone webcam "Webcam Analog Stereo" 2
  sound_rig_set_default sink headset
}
