# The About dialog, opened with the main window's About button.
desktop_start_program
desktop_answer_boxes Message Error
main=$(desktop_wait_window Tarvelo)
# The About button's centre, from its place in the window's 274 x 180 layout units.
eval "$(xwininfo -id "$main" | awk '/Width:/ {print "w=" $NF} /Height:/ {print "h=" $NF}')"
xdotool mousemove --window "$main" $((168 * w / 274)) $((153 * h / 180)) click 1
id=$(desktop_wait_window "About Tarvelo")
xdotool mousemove 0 0
sleep 0.5
desktop_capture_window "$id" "$OUT"
