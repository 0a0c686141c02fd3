#!/bin/sh
# Start-up time of Pelidor: from the moment the program is started to its
# frame's first paint, under Xvfb with an empty Pictures folder and a fresh
# program folder each run. Prints every run and the medians of the wall
# time and of the processor time the program used until then (the latter
# says more on a machine shared with other work).
# Usage: bench/pelidor_startup.sh [RUNS] [BUILD_DIR]   (defaults: 7, build)
set -u
here=$(cd "$(dirname "$0")" && pwd)
runs=${1:-7}
build=${2:-$here/../build}
pelidor=$build/bin/Pelidor
# Not under /tmp: a busy /tmp (compilers' files) would be listed by the
# folder panes along the way to the Pictures folder, as a home folder is not.
mkdir -p "$build/bench"
work=$(mktemp -d "$build/bench/startup.XXXXXX")
xvfb_pid=
cleanup() {
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT

if [ ! -x "$pelidor" ]; then
    echo "no $pelidor: build the Pelidor target first" >&2
    exit 1
fi
if [ -z "${DISPLAY:-}" ]; then
    for n in 91 92 93 94 95 96 97 98 99; do
        [ -e "/tmp/.X11-unix/X$n" ] && continue
        Xvfb ":$n" -screen 0 1600x1000x24 -nolisten tcp >/dev/null 2>&1 &
        xvfb_pid=$!
        export DISPLAY=":$n"
        break
    done
    i=0
    while [ ! -e "/tmp/.X11-unix/X${DISPLAY#:}" ] && [ $i -lt 100 ]; do
        sleep 0.05
        i=$((i + 1))
    done
fi
export QT_QPA_PLATFORM=xcb TAVREL_STARTUP_TRACE=1 TAVREL_SCANNER=simulated
export TAVREL_SHARE_DIR=${TAVREL_SHARE_DIR:-$build/share/tavrel}

now_ms() { date +%s%3N; }

: >"$work/times"
run=1
while [ $run -le "$runs" ]; do
    dir=$work/run$run
    mkdir -p "$dir/home" "$dir/runtime" "$dir/Pictures"
    chmod 700 "$dir/runtime"
    start=$(now_ms)
    TAVREL_HOME=$dir/home TAVREL_RUNTIME_DIR=$dir/runtime \
        "$pelidor" "$dir/Pictures" 2>"$dir/err" &
    pid=$!
    i=0
    while ! grep -q "frame shown at" "$dir/err" 2>/dev/null && [ $i -lt 400 ]; do
        sleep 0.01
        i=$((i + 1))
    done
    shown=$(sed -n 's/.*frame shown at \([0-9]*\) ms.*/\1/p' "$dir/err")
    cpu=$(sed -n 's/.*frame shown at .*cpu \([0-9]*\) ms.*/\1/p' "$dir/err")
    kill "$pid" 2>/dev/null
    wait "$pid" 2>/dev/null
    if [ -z "$shown" ]; then
        echo "run $run: the frame was not shown" >&2
        cat "$dir/err" >&2
        exit 1
    fi
    echo "run $run: $((shown - start)) ms (processor $cpu ms)"
    echo $((shown - start)) >>"$work/times"
    echo "$cpu" >>"$work/cpu"
    run=$((run + 1))
done
median() { sort -n "$1" | awk '{a[NR]=$1} END {print (NR % 2) ? a[(NR+1)/2] : int((a[NR/2]+a[NR/2+1])/2)}'; }
echo "median of $runs runs: $(median "$work/times") ms to the frame shown (target: under 400 ms)," \
    "$(median "$work/cpu") ms of processor time; load average: $(cut -d' ' -f1 /proc/loadavg)"
