#!/usr/bin/env bash
# Long runs of the picture's road with the real programs, too long for the
# suite. Prints what it counted; exits 1 when a picture went missing.
#
#   bench/road_soak.sh send [N] [BUILD]   N pictures by tavrel-tool send (default 500):
#                                         every one stored under its own name;
#                                         Pelidor's memory and descriptors as it goes
#   bench/road_soak.sh press [N] [BUILD]  N captures by the device button through
#                                         Vantrel; Vantrel's threads as well
#   bench/road_soak.sh kill [N] [BUILD]   N hand-overs, Pelidor killed at a random
#                                         moment of each (seed in $SEED): every
#                                         picture stored or kept, none lost
set -euo pipefail
mode=${1:-send}
count=${2:-500}
build=$(cd "${3:-$(dirname "$0")/../build}" && pwd)
bin=$build/bin
work=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill -9 "$p" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
export QT_QPA_PLATFORM=offscreen TAVREL_SCANNER=simulated
export TAVREL_HOME=$work/home TAVREL_RUNTIME_DIR=$work/runtime
export TAVREL_SHARE_DIR=${TAVREL_SHARE_DIR:-$build/share/tavrel}
pictures=$work/Pictures
mkdir -p "$pictures" "$TAVREL_HOME"

wait_for() { # wait_for SECONDS COMMAND...: polls until the command succeeds
  local deadline=$((SECONDS + $1))
  shift
  until "$@"; do
    [ $SECONDS -lt $deadline ] || return 1
    sleep 0.02
  done
}
manager_up() { "$bin/tavrel-tool" windows | grep -q '"Pelidor"'; }
stored() { find "$pictures" -maxdepth 1 -type f ! -name '.*' | wc -l; }
start_pelidor() {
  "$bin/Pelidor" "$pictures" 2>>"$work/pelidor.err" &
  disown
  pelidor=$!
  pids+=("$pelidor")
  wait_for 60 manager_up
}
usage() { # PID: resident kB, descriptors, threads
  echo "$(awk '/VmRSS/ { print $2 }' "/proc/$1/status") kB," \
    "$(ls "/proc/$1/fd" | wc -l) fds, $(ls "/proc/$1/task" | wc -l) threads"
}

# A full-size picture (the scanner's still size), as the capture program sends.
convert -size 2592x1944 gradient:navy-orange -type TrueColor "BMP3:$work/pic.bmp"
profile=$TAVREL_SHARE_DIR/Positive.xml
start_pelidor

case $mode in
send)
  for i in $(seq 1 "$count"); do
    "$bin/tavrel-tool" send --profile "$profile" "$work/pic.bmp" >/dev/null ||
      { echo "picture $i not stored" >&2; exit 1; }
    case $i in 1 | 10 | 100 | 200 | 300 | 400 | 500 | "$count") echo "after $i: Pelidor $(usage "$pelidor")" ;; esac
  done
  ;;
press)
  "$bin/tavrel-sim" plug
  "$bin/Vantrel" 2>>"$work/vantrel.err" &
  vantrel=$!
  pids+=("$vantrel")
  wait_for 60 grep -q 'Vantrel: running' "$work/vantrel.err"
  log=$TAVREL_HOME/log.txt
  seen() { grep -c "$1" "$log" || true; }
  # One press per capture: pressed only while the button's latch is clear,
  # until the capture program logs the start of a capture (a press while
  # the sensor is programmed is dropped, as designed).
  press_once() {
    [ "$(seen 'StillPin Snap!')" -ge "$1" ] && return 0
    "$bin/tavrel-sim" status | grep -q 'button: 0x0000' && "$bin/tavrel-sim" press >/dev/null
    return 1
  }
  captured() { [ "$(seen 'Capture End!')" -ge "$1" ] && [ "$(stored)" -ge "$1" ]; }
  echo "after 0: Pelidor $(usage "$pelidor"); Vantrel $(usage "$vantrel")"
  for i in $(seq 1 "$count"); do
    wait_for 120 press_once "$i" || { echo "capture $i did not start" >&2; exit 1; }
    wait_for 120 captured "$i" || { echo "capture $i not stored" >&2; exit 1; }
    if [ "$i" -eq 1 ] || [ "$i" -eq 10 ] || [ $((i % 100)) -eq 0 ] || [ "$i" -eq "$count" ]; then
      echo "after $i: Pelidor $(usage "$pelidor"); Vantrel $(usage "$vantrel")"
    fi
  done
  echo "pressed $(seen 'StillPin Snap!'), captures ended $(seen 'Capture End!')"
  ;;
kill)
  seed=${SEED:-$$}
  RANDOM=$seed
  echo "seed $seed"
  kept=0
  unsent=0
  for i in $(seq 1 "$count"); do
    "$bin/tavrel-tool" send --profile "$profile" "$work/pic.bmp" >"$work/send.out" 2>/dev/null &
    sender=$!
    # Up to the length of one hand-over on a loaded machine.
    delay=$((RANDOM % 6000))
    sleep "$((delay / 1000)).$(printf %03d $((delay % 1000)))"
    kill -9 "$pelidor" 2>/dev/null || true
    wait "$pelidor" 2>/dev/null || true
    wait "$sender" || true
    # Killed before the sender found the window, nothing left the sender.
    grep -q '^outcome: no manager' "$work/send.out" && unsent=$((unsent + 1))
    grep -q '^outcome: kept ' "$work/send.out" && kept=$((kept + 1))
    grep -Eq '^outcome: (stored|kept |no manager)' "$work/send.out" ||
      { echo "hand-over $i: $(cat "$work/send.out")" >&2; exit 1; }
    start_pelidor
  done
  echo "stored $(stored), kept $kept (in Recovered: $(ls "$TAVREL_HOME/Recovered" 2>/dev/null | wc -l)), not sent $unsent"
  ;;
*)
  sed -n 2,14p "$0" >&2
  exit 2
  ;;
esac
names=$(find "$pictures" -maxdepth 1 -type f ! -name '.*' | wc -l)
echo "$mode: $count pictures, $names stored files"
# Every stored picture is whole: a JPEG ends with its end-of-image marker.
broken=0
for f in "$pictures"/*.jpg; do
  [ -e "$f" ] || continue
  [ "$(tail -c 2 "$f" | od -An -tx1 | tr -d ' ')" = ffd9 ] || broken=$((broken + 1))
done
echo "broken pictures: $broken"
# Both programs end as a user ends them (Pelidor's close ends Vantrel too).
if [ "$mode" != kill ]; then
  "$bin/tavrel-tool" message --class Pelidor WM_CLOSE >/dev/null || true
  for p in "${pids[@]}"; do
    wait_for 60 sh -c "! kill -0 $p 2>/dev/null" || echo "process $p did not end" >&2
  done
fi
if [ "$mode" != kill ] && { [ "$names" -ne "$count" ] || [ "$broken" -ne 0 ]; }; then
  echo "pictures missing, overwritten or broken" >&2
  exit 1
fi
