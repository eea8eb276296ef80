# Opens a karaoke song in the real program and captures its preview window part-way
# through the song. Scenes call karaoke_scene <file in the samples folder> <seek fraction>
# [keys pressed in the preview window and the caption it shows then].

karaoke_scene() {
  local song=$1 fraction=$2 keys=${3:-} caption=${4:-} samples=$SCENE_DIR/songs main preview w h
  "$BUILD_DIR/tests/karaoke_samples" "$samples"
  desktop_start_program
  desktop_answer_boxes Message Error
  main=$(desktop_wait_window Tarvelo)
  eval "$(xwininfo -id "$main" | awk '/Width:/ {print "w=" $NF} /Height:/ {print "h=" $NF}')"
  # Open: the button's centre in the window's 274 x 180 layout units.
  xdotool mousemove --window "$main" $((43 * w / 274)) $((20 * h / 180)) click 1
  desktop_wait_window "Select an Media file" >/dev/null
  sleep 0.5
  xdotool type --delay 20 "$samples/$song"
  xdotool key Return
  preview=$(desktop_wait_window "$song  ")
  # Side by side, so that neither hides the other.
  xdotool windowmove "$preview" 20 60 windowmove "$main" 700 60
  sleep 0.5
  # The seek bar acts once the player has read the song's length (after a second).
  sleep 1.5
  # Drag the seek bar's thumb (its left end at 7 units) to the fraction of its 256 units.
  xdotool mousemove --window "$main" $((10 * w / 274)) $((46 * h / 180)) mousedown 1
  xdotool mousemove --window "$main" $(((9 + 252 * fraction / 100) * w / 274)) $((46 * h / 180))
  sleep 0.2
  xdotool mouseup 1
  sleep 1
  xdotool mousemove 0 0 windowactivate --sync "$preview" >/dev/null 2>&1 || true
  if [ -n "$keys" ]; then
    xdotool key --delay 100 $keys
    desktop_wait_window "$caption" >/dev/null
  fi
  sleep 0.5
  desktop_capture_window "$preview" "$OUT"
}
