# The main window while it records a song: Open, a generated song, Start, a few seconds.
song=$SCENE_DIR/song.wav
gst-launch-1.0 -q audiotestsrc freq=440 volume=0.3 samplesperbuffer=441 num-buffers=3000 \
  ! audio/x-raw,rate=44100,channels=2 ! wavenc ! filesink location="$song"
desktop_start_program
desktop_answer_boxes Message Error
main=$(desktop_wait_window Tarvelo)
eval "$(xwininfo -id "$main" | awk '/Width:/ {print "w=" $NF} /Height:/ {print "h=" $NF}')"
# Open and Start, at their centres in the window's 274 x 180 layout units.
xdotool mousemove --window "$main" $((43 * w / 274)) $((20 * h / 180)) click 1
open=$(desktop_wait_window "Select an Media file")
xdotool windowactivate --sync "$open" >/dev/null 2>&1 || true
xdotool type --delay 20 "$song"
xdotool key Return
desktop_wait_window "song.wav   00:00:30" >/dev/null
xdotool mousemove --window "$main" $((135 * w / 274)) $((20 * h / 180)) click 1
sleep 3.5
xdotool mousemove 0 0
desktop_capture_window "$main" "$OUT"
