#!/usr/bin/env bash
# Screenshots of the file browser's panes over a folder of pictures, in both
# views, in Chinese and English, under Xvfb.
#   tests/gui/browser_screenshots.sh [build dir] [output dir]
set -euo pipefail
BUILD=$(realpath "${1:-build}")
OUT=$(realpath -m "${2:-$BUILD/screenshots/browser}")
HOST="$BUILD/tests/browser/host/tavrel-browser-host"
[ -x "$HOST" ] || HOST="$BUILD/bin/tavrel-browser-host"
mkdir -p "$OUT"
WORK=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$WORK"' EXIT

export HOME="$WORK/home" TAVREL_HOME="$WORK/program" TAVREL_RUNTIME_DIR="$WORK/run"
export XDG_CONFIG_HOME="$HOME/.config" XDG_DATA_HOME="$HOME/.local/share"
export TAVREL_SHARE_DIR="$BUILD/share/tavrel"
mkdir -p "$HOME/Desktop" "$HOME/Documents/Family 1985/Christmas" "$HOME/Documents/Slides" \
         "$TAVREL_RUNTIME_DIR" && chmod 700 "$TAVREL_RUNTIME_DIR"
SCANS="$HOME/Documents/Family 1985"
i=0
for seed in 11 23 37 41 53 67 79 83; do
  i=$((i + 1))
  convert -seed $seed -size 640x480 plasma:fractal -blur 0x2 -modulate 100,130 \
    "$SCANS/1985-0$i.jpg"
done
convert -seed 5 -size 480x640 plasma:fractal -blur 0x2 "$SCANS/PORTRAIT.JPG"
convert -seed 9 -size 900x300 plasma:fractal -blur 0x2 "$SCANS/Panorama beach.tif"
convert -seed 3 -size 300x300 gradient:sienna-khaki "$SCANS/.hidden scan.jpg"
echo "notes" > "$SCANS/notes.txt"

DISPLAY_NUM=$((90 + $$ % 800))
Xvfb ":$DISPLAY_NUM" -nolisten tcp -screen 0 1024x700x24 &
export DISPLAY=":$DISPLAY_NUM" QT_QPA_PLATFORM=xcb
for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$DISPLAY_NUM" ] && break; sleep 0.1; done
openbox >/dev/null 2>&1 &

shot() {
  local name=$1; shift
  "$HOST" "$@" 2>"$WORK/host.log" &
  local pid=$!
  for _ in $(seq 100); do grep -q running "$WORK/host.log" && break; sleep 0.1; done
  sleep 2 # thumbnails and the window manager's frame
  import -window root "$OUT/$name.png"
  kill $pid; wait $pid 2>/dev/null || true
  echo "$OUT/$name.png"
}

shot icons-zh --select "Family 1985"
shot details-zh --details --select "Family 1985"
shot icons-en --english --select "Family 1985"
shot details-en --english --details --select "Family 1985"
shot web-zh --web --select "Family 1985"
shot properties-en --english --select "Family 1985" --properties PORTRAIT.JPG
