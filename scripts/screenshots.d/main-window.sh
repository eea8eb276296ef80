# The main window as it stands after start-up.
desktop_start_program
desktop_answer_boxes Message Error
id=$(desktop_wait_window Tarvelo)
xdotool mousemove 0 0
sleep 0.5
desktop_capture_window "$id" "$OUT"
