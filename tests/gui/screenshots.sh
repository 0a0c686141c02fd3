#!/usr/bin/env bash
# tests/gui/screenshots.sh BUILD_DIR OUT_DIR [SCENARIO...]
#
# Screenshots of every top-level window of both programs with the simulated
# scanner, in Chinese and in English, under Xvfb with openbox. Each language
# gets its own session and program folder; English is chosen the way a user
# chooses it, through "UIlanguage.xml" in the program folder.
#
# To add a window: write a scenario below that starts what it needs and gets
# the window open (through tavrel-sim and tavrel-tool message, as a user's
# script would), then calls shoot_all; add its name to SCENARIOS.
# Output: OUT_DIR/<zh|en>/<scenario>-<n>-<class>.png
set -euo pipefail

if [ $# -lt 2 ]; then
  echo "usage: $0 BUILD_DIR OUT_DIR [SCENARIO...]" >&2
  exit 2
fi

if [ -z "${TAVREL_SCREENSHOT_DISPLAY:-}" ]; then
  # Our own X server, whatever the caller has.
  export TAVREL_SCREENSHOT_DISPLAY=1
  exec xvfb-run -a -s "-screen 0 1600x1200x24 -dpi 96" "$0" "$@"
fi

BUILD=$(cd "$1" && pwd)
OUT=$(mkdir -p "$2" && cd "$2" && pwd)
shift 2
BIN=$BUILD/bin
TOOL=$BIN/tavrel-tool
SIM=$BIN/tavrel-sim
export TAVREL_SHARE_DIR=$BUILD/share/tavrel
export TAVREL_SCANNER=simulated
export QT_QPA_PLATFORM=xcb
unset QT_SCALE_FACTOR

WORK=$(mktemp -d /tmp/tavrel-shots-XXXXXX)
PIDS=()
WM_PID=
cleanup() {
  stop_programs
  [ -n "$WM_PID" ] && kill "$WM_PID" 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT

openbox >/dev/null 2>&1 &
WM_PID=$!

# --- helpers for scenarios ---------------------------------------------------

# wait_for SECONDS COMMAND...: polls until COMMAND succeeds.
wait_for() {
  local deadline=$((SECONDS + $1))
  shift
  until "$@"; do
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.1
  done
}

has_window() { "$TOOL" windows | grep -q "^0x[0-9A-F]* \"$1\""; }

# start PROGRAM [ARGS...]: starts a program; waits for its main window.
start() {
  local program=$1
  shift
  "$BIN/$program" "$@" >>"$SESSION/$program.log" 2>&1 &
  PIDS+=($!)
  local class=Pelidor
  [ "$program" = Vantrel ] && class="Tavrel Camera"
  wait_for 20 has_window "$class" || { echo "$program: no window" >&2; return 1; }
}

# message ARGS...: tavrel-tool message, as a script sends it.
message() { "$TOOL" message "$@" >/dev/null; }

running() { kill -0 "$1" 2>/dev/null; }
ended() { ! running "$1"; }

# Asked to end; a program held up (a modal box open) is killed.
stop_programs() {
  local pid
  for pid in "${PIDS[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  for pid in "${PIDS[@]}"; do
    wait_for 10 ended "$pid" || kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  PIDS=()
}

# The X window of a session window: same process, same title, mapped.
# (Titles are compared here: xdotool's own name search garbles CJK text.)
x_window() {
  local pid=$1 title=$2 id
  for id in $(xdotool search --onlyvisible --pid "$pid" 2>/dev/null); do
    if [ "$(xdotool getwindowname "$id" 2>/dev/null)" = "$title" ]; then
      echo "$id"
      return
    fi
  done
}

# WxH+X+Y of the window with the frame the window manager put round it.
frame_geometry() {
  local x y w h l=0 r=0 t=0 b=0 extents
  x=$(xwininfo -id "$1" | sed -n 's/.*Absolute upper-left X: *//p')
  y=$(xwininfo -id "$1" | sed -n 's/.*Absolute upper-left Y: *//p')
  w=$(xwininfo -id "$1" | sed -n 's/.*Width: *//p')
  h=$(xwininfo -id "$1" | sed -n 's/.*Height: *//p')
  extents=$(xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null | sed -n 's/.*= *//p' | tr -d ' ')
  [ -n "$extents" ] && IFS=, read -r l r t b <<<"$extents"
  echo "$((w + l + r))x$((h + t + b))+$((x - l))+$((y - t))"
}

managed() { xprop -id "$1" _NET_FRAME_EXTENTS 2>/dev/null | grep -q '='; }

# shoot FILE XID: a picture of the window with its frame, once the window
# manager has framed it and two grabs in a row agree (painting has ended).
shoot() {
  local file=$1 xid=$2 last= now= tries=0
  wait_for 10 managed "$xid" || echo "not framed: $file" >&2
  while [ $tries -lt 10 ]; do
    # Cut from the screen: grabbing a dialog's own window gives junk.
    import -silent -window root png:- 2>/dev/null |
      convert - -crop "$(frame_geometry "$xid")" +repage "$file.tmp.png" 2>/dev/null || true
    now=$(md5sum <"$file.tmp.png" 2>/dev/null || true)
    [ -n "$now" ] && [ "$now" = "$last" ] && [ $tries -ge 2 ] && break
    last=$now
    tries=$((tries + 1))
    sleep 0.2
  done
  mv "$file.tmp.png" "$file"
  echo "$file"
}

found_x_window() { [ -n "$(x_window "$1" "$2")" ]; }

# shoot_all NAME: every window of the session, in walk order.
shoot_all() {
  local name=$1 n=0 line class title pid xid
  while IFS= read -r line; do
    # 0x00000001 "class" "title" pid marks...
    class=$(sed -E 's/^0x[0-9A-F]+ "((\\.|[^"\\])*)".*/\1/' <<<"$line" | sed -E 's/\\(.)/\1/g')
    title=$(sed -E 's/^0x[0-9A-F]+ "(\\.|[^"\\])*" "((\\.|[^"\\])*)".*/\2/' <<<"$line" | sed -E 's/\\(.)/\1/g')
    pid=$(sed -E 's/^0x[0-9A-F]+ "(\\.|[^"\\])*" "(\\.|[^"\\])*" ([0-9]+).*/\3/' <<<"$line")
    n=$((n + 1))
    if ! wait_for 10 found_x_window "$pid" "$title"; then
      echo "no X window for $class \"$title\" of $pid" >&2
      continue
    fi
    xid=$(x_window "$pid" "$title")
    shoot "$LANG_OUT/$name-$n-$(tr -c 'A-Za-z0-9_\n-' '_' <<<"$class").png" "$xid"
  done < <("$TOOL" windows)
}

# --- scenarios -----------------------------------------------------------------

# Pelidor with this session's home (never the developer's); ARGS go to it.
start_pelidor() {
  local user=$SESSION/user
  mkdir -p "$user/Desktop" "$user/Documents" "$user/Pictures"
  HOME=$user XDG_CONFIG_HOME=$user/.config XDG_DATA_HOME=$user/.local/share start Pelidor "$@"
}

send_picture() {
  "$TOOL" send --profile "$TAVREL_SHARE_DIR/Positive.xml" "$@" >>"$SESSION/send.log" 2>&1
}

# The user's Pictures folder after a session with the scanner: a folder of
# older scans and pictures stored by Pelidor under its time-stamped names,
# which arrive over the real channel.
pelidor_with_pictures() {
  local pictures=$SESSION/user/Pictures scan
  mkdir -p "$pictures"
  "$BIN/tavrel-browser-host" --make-pictures "$pictures/Family 1985" >>"$SESSION/host.log" 2>&1
  start_pelidor "$@" "$pictures"
  for scan in "1985-01 Christmas.jpg" "1985-04 grandma.jpg" "1985-05.jpg"; do
    send_picture --kind 1003 "$pictures/Family 1985/$scan" || echo "not stored: $scan" >&2
  done
}

scenario_pelidor() {
  pelidor_with_pictures
  shoot_all pelidor
}

scenario_pelidor_details() {
  pelidor_with_pictures
  message --class Pelidor WM_COMMAND 32961
  shoot_all pelidor-details
}

stored_file_open() { compgen -G "$1/.*.tmp" >/dev/null; }

# The status bar while a large picture is stored: the bar in pane 1 and the
# queue count in pane 2. The frame is grabbed once the picture's file is
# being written (the count and the bar are up by then) and the grab counts
# only if that file is still being written after it.
scenario_pelidor_storing() {
  local pictures=$SESSION/user/Pictures big=$SESSION/big.bmp sender xid
  local shot=$LANG_OUT/pelidor-storing-1-Pelidor.png
  start_pelidor "$pictures"
  convert -size 6000x4000 gradient:khaki-sienna -type TrueColor "BMP3:$big"
  wait_for 20 found_x_window "${PIDS[0]}" TAVREL
  xid=$(x_window "${PIDS[0]}" TAVREL)
  send_picture --kind 1001 --format tiff --bits 48 "$big" &
  sender=$!
  if wait_for 60 stored_file_open "$pictures"; then
    import -silent -window root png:- 2>/dev/null |
      convert - -crop "$(frame_geometry "$xid")" +repage "$shot"
    if stored_file_open "$pictures"; then
      echo "$shot"
    else
      echo "the run ended during the grab: $shot discarded" >&2
      rm -f "$shot"
    fi
  else
    echo "the picture's file was never written" >&2
  fi
  wait "$sender" || echo "the hand-over failed: $(cat "$SESSION/send.log")" >&2
}

# The window is there from the dialog's first step; the preview is live
# once the program says it runs (the first frame arrives with it).
vantrel_running() { grep -q "Vantrel: running" "$SESSION/Vantrel.log"; }

start_vantrel() {
  start Vantrel "$@"
  wait_for 30 vantrel_running || echo "Vantrel: not running" >&2
}

# The film dialog on negative film with the custom preset, so the sliders
# are live; the photo dialog as it starts.
scenario_vantrel_film() {
  start_vantrel 0
  message --class "Tavrel Camera" WM_COMMAND 1017
  message --class "Tavrel Camera" WM_COMMAND 1030
  shoot_all vantrel-film
}

scenario_vantrel_photo() {
  start_vantrel 1
  shoot_all vantrel-photo
}

# The About box from the window menu (WM_SYSCOMMAND 0x10), posted: it is modal.
scenario_vantrel_about() {
  start_vantrel 0
  message --post --class "Tavrel Camera" 0x0112 0x10
  wait_for 20 has_window "#32770"
  shoot_all vantrel-about
}

calibration_open() { "$TOOL" windows | grep -q '^0x[0-9A-F]* "#32770"'; }

# "/Verify" opens the lens calibration one second after the preview starts;
# then its sequence is started on the empty holder, as the dialog asks, and
# slowed so that the shot meets it on its first film type.
scenario_vantrel_calibration() {
  "$SIM" film none >/dev/null
  TAVREL_CALIBRATION_STEP_MS=100 start_vantrel /Verify
  wait_for 20 calibration_open || echo "no calibration dialog" >&2
  shoot_all vantrel-calibration
  message --class "#32770" WM_COMMAND 1036
  shoot_all vantrel-calibrating
}

# Film left in the holder: the first frame is refused, and the dialog says
# why. Nothing outside the dialog shows the refusal, so the shot waits out
# the step (0 ms settle, then the calibration's own second) with room.
scenario_vantrel_calibration_refused() {
  "$SIM" film positive >/dev/null
  TAVREL_CALIBRATION_STEP_MS=0 start_vantrel /Verify
  wait_for 20 calibration_open || echo "no calibration dialog" >&2
  message --class "#32770" WM_COMMAND 1036
  sleep 5
  shoot_all vantrel-calibration-refused
}

press_taken() {
  message --class "Tavrel Camera" WM_COMMAND 1028
  grep -q "Button Capture!" "$TAVREL_HOME/log.txt"
}

# A press while the scanner is unplugged: the capture is given up for want of
# a still, and once the scanner is back the preview says no picture came.
scenario_vantrel_no_picture() {
  printf '[LoopAndTime]\nFailTime=300\nTryLoop=3\n' >"$TAVREL_HOME/LoopAndTime.ini"
  start_vantrel 0
  "$SIM" unplug >/dev/null
  # The button is off while the sensor is programmed at start: pressed
  # until the press is taken.
  wait_for 20 press_taken || echo "capture not pressed" >&2
  wait_for 20 grep -q "Have No Image to Process!" "$TAVREL_HOME/log.txt" ||
    echo "capture not given up" >&2
  "$SIM" plug >/dev/null
  sleep 2
  shoot_all vantrel-no-picture
}

# The About box over the frame. It is modal, so the command is posted: a
# sent one would wait until the box closes.
scenario_pelidor_about() {
  start_pelidor
  message --post --class Pelidor WM_COMMAND 57664
  wait_for 20 has_window "#32770"
  shoot_all pelidor-about
}

# Both programs side by side, as a user runs them.
scenario_both() {
  start_pelidor
  start Vantrel
  shoot_all both
}

# The file browser's panes in a window of their own (as the explorer window
# holds them) over a user's folder of scans; ARGS go to the host.
browser_host() {
  local user=$SESSION/user scans
  scans="$user/Documents/Family 1985"
  mkdir -p "$user/Desktop" "$user/Documents/Slides" "$scans/Christmas"
  "$BIN/tavrel-browser-host" --make-pictures "$scans" >>"$SESSION/host.log" 2>&1
  echo "notes" >"$scans/notes.txt"
  HOME=$user XDG_CONFIG_HOME=$user/.config \
    "$BIN/tavrel-browser-host" --select "Family 1985" "$@" >>"$SESSION/host.log" 2>&1 &
  PIDS+=($!)
  wait_for 20 has_window TavrelBrowserHost || { echo "browser host: no window" >&2; return 1; }
  wait_for 30 grep -q "browser host: shown" "$SESSION/host.log" ||
    echo "browser host: thumbnails not all drawn" >&2
}

scenario_browser_icons() {
  browser_host
  shoot_all browser-icons
}

scenario_browser_details() {
  browser_host --details
  shoot_all browser-details
}

scenario_browser_web() {
  browser_host --web
  shoot_all browser-web
}

scenario_browser_properties() {
  browser_host --properties PORTRAIT.JPG
  wait_for 20 has_window "#32770"
  shoot_all browser-properties
}

SCENARIOS=(pelidor pelidor_details pelidor_storing pelidor_about vantrel_film vantrel_photo vantrel_about
  vantrel_calibration vantrel_calibration_refused vantrel_no_picture both
  browser_icons browser_details browser_web browser_properties)

# --- run -----------------------------------------------------------------------

[ $# -gt 0 ] && SCENARIOS=("$@")
for lang in zh en; do
  LANG_OUT=$OUT/$lang
  mkdir -p "$LANG_OUT"
  for scenario in "${SCENARIOS[@]}"; do
    SESSION=$WORK/$lang-$scenario
    mkdir -p "$SESSION/run" "$SESSION/home"
    chmod 700 "$SESSION/run"
    export TAVREL_RUNTIME_DIR=$SESSION/run TAVREL_HOME=$SESSION/home
    if [ $lang = en ]; then
      sed 's|<language>Chinese</language>|<language>English</language>|' \
        "$TAVREL_SHARE_DIR/UIlanguage.xml" >"$TAVREL_HOME/UIlanguage.xml"
    fi
    "$SIM" plug >/dev/null
    "scenario_$scenario"
    stop_programs
  done
done
