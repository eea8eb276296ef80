# Helpers for driving the real program on a virtual X display: start it, answer its
# message boxes, find its windows and capture them as PNG images.

desktop_start_program() {  # args: extra environment assignments for the program
  env "$@" "$BUILD_DIR/src/tarvelo" >"$SCENE_DIR/tarvelo.log" 2>&1 &
  PROGRAM_PID=$!
}

desktop_stop_program() {
  [ -n "${PROGRAM_PID:-}" ] || return 0
  kill "$PROGRAM_PID" 2>/dev/null
  wait "$PROGRAM_PID" 2>/dev/null || true  # a killed program answers 143
  PROGRAM_PID=
}

# Waits for a window with exactly this title; prints its id.
desktop_wait_window() {
  local title=$1 id tries=0
  while [ $tries -lt 100 ]; do
    id=$(xdotool search --onlyvisible --name "^${title}\$" 2>/dev/null | head -n 1 || true)
    [ -n "$id" ] && { echo "$id"; return 0; }
    tries=$((tries + 1))
    sleep 0.1
  done
  echo "screenshots: no window titled '$title'" >&2
  return 1
}

# Presses Enter on every message box with one of these captions until none is left.
desktop_answer_boxes() {
  local quiet=0 caption id
  while [ $quiet -lt 10 ]; do
    id=
    for caption in "$@"; do
      id=$(xdotool search --onlyvisible --name "^${caption}\$" 2>/dev/null | head -n 1 || true)
      [ -n "$id" ] && break
    done
    if [ -n "$id" ]; then
      xdotool windowactivate --sync "$id" >/dev/null 2>&1 || true
      xdotool key Return >/dev/null 2>&1 || true
      quiet=0
    else
      quiet=$((quiet + 1))
    fi
    sleep 0.2
  done
}

# Sets x, y, w, h to a window's rectangle on the screen, frame included.
desktop_window_rect() {
  local id=$1
  eval "$(xwininfo -id "$id" -frame | awk '
    /Absolute upper-left X/ {print "x=" $NF}
    /Absolute upper-left Y/ {print "y=" $NF}
    /Width:/ {print "w=" $NF}
    /Height:/ {print "h=" $NF}')"
  # The frame lies outside the client window that xwininfo measured.
  local frame left right top bottom
  frame=$(xprop -id "$id" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.*= //p')
  if [ -n "$frame" ]; then
    IFS=', ' read -r left right top bottom <<<"$frame"
    x=$((x - left)); y=$((y - top)); w=$((w + left + right)); h=$((h + top + bottom))
  fi
}

desktop_capture_rect() {  # args: out x y w h
  gst-launch-1.0 -q ximagesrc num-buffers=1 use-damage=false startx=$2 starty=$3 \
    endx=$(($2 + $4 - 1)) endy=$(($3 + $5 - 1)) ! videoconvert ! pngenc ! filesink location="$1"
  echo "screenshots: wrote $1 (${4}x${5})"
}

# Captures a window with its frame into a PNG file.
desktop_capture_window() {
  local id=$1 out=$2 x y w h
  desktop_window_rect "$id"
  desktop_capture_rect "$out" "$x" "$y" "$w" "$h"
}

# Captures the smallest rectangle that holds all the windows, frames included.
desktop_capture_windows() {  # args: out id...
  local out=$1 x y w h left=100000 top=100000 right=0 bottom=0
  shift
  for id in "$@"; do
    desktop_window_rect "$id"
    [ "$x" -lt "$left" ] && left=$x
    [ "$y" -lt "$top" ] && top=$y
    [ $((x + w)) -gt "$right" ] && right=$((x + w))
    [ $((y + h)) -gt "$bottom" ] && bottom=$((y + h))
  done
  # Whatever lies beyond the screen's top or left edge cannot be captured.
  [ "$left" -lt 0 ] && left=0
  [ "$top" -lt 0 ] && top=0
  desktop_capture_rect "$out" "$left" "$top" $((right - left)) $((bottom - top))
}
