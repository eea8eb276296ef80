# The main window with a song open and playing, its video in the video window above it.
song="$SCENE_DIR/Sing Along.mkv"
gst-launch-1.0 -q videotestsrc num-buffers=750 pattern=smpte ! \
  video/x-raw,width=640,height=360,framerate=25/1 ! theoraenc ! matroskamux name=mux ! \
  filesink location="$song" audiotestsrc num-buffers=300 samplesperbuffer=4800 freq=440 ! \
  audio/x-raw,rate=48000,channels=2 ! vorbisenc ! mux.

desktop_start_program
desktop_answer_boxes Message Error
main=$(desktop_wait_window Tarvelo)
# Room above the main window for the video window, which opens in that band.
xdotool windowmove --sync "$main" 120 430
sleep 0.3
# Open, then the file dialog: the path typed into its name field.
xdotool mousemove --window "$main" 40 30 click 1
dialog=$(desktop_wait_window 'Select an Media file')
xdotool windowactivate --sync "$dialog" >/dev/null 2>&1 || true
xdotool type --delay 20 "$song"
xdotool key Return
video=$(desktop_wait_window 'Sing Along.mkv  ')
# Start plays the song (and records).
xdotool mousemove --window "$main" 230 30 click 1
desktop_answer_boxes Message Error
sleep 4
xdotool mousemove 0 0
sleep 0.5
desktop_capture_windows "$OUT" "$main" "$video"
