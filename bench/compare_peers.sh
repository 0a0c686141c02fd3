#!/bin/sh
# Runs our imaging benchmark and the same operations with libvips (2 threads)
# and ImageMagick on the same picture, in one run, and prints each of our
# figures as a ratio to the best peer (below 1 means faster than the peer).
# Usage: bench/compare_peers.sh [BUILD_DIR]   (default: build)
# A peer that is missing and cannot be installed is skipped.
set -u
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

. "$here/peers/common.sh"
run_ours_and_vips imaging_bench "$work/photo.ppm" "$here/peers/vips_peer.c"

im=$(find_imagemagick)
if [ -n "$im" ]; then
    echo "peer: ImageMagick ($im)" >&2
    # The picture in ImageMagick's own memory-mapped format, so reading costs
    # little; the time of a plain read is subtracted from every operation.
    "$im" "$work/photo.ppm" "$work/photo.mpc"
    im_run() {
        # $1 name, rest: operation arguments; prints "ImageMagick name min median"
        name=$1
        shift
        times=
        for i in 1 2 3 4 5; do
            t0=$(date +%s%N)
            "$im" -limit thread 2 "$work/photo.mpc" "$@" null: 2>/dev/null
            t1=$(date +%s%N)
            times="$times $(((t1 - t0) / 1000))"
        done
        echo "$name$times"
    }
    {
        im_run read
        im_run saturate -modulate 100,130,100
        im_run light -brightness-contrast 5x20
        im_run shift -channel R -evaluate add 3.53% -channel G -evaluate subtract 1.57% \
            -channel B -evaluate add 2.35% +channel
        im_run adjust -modulate 100,130,100 -brightness-contrast 5x20 -channel R -evaluate add \
            3.53% -channel G -evaluate subtract 1.57% -channel B -evaluate add 2.35% +channel
        im_run resample2x -filter Catrom -resize 200%
    } >"$work/im_raw.txt"
    python3 - "$work/im_raw.txt" >>"$work/peers.txt" <<'PY'
import sys, statistics
rows = {l.split()[0]: [int(v) / 1000 for v in l.split()[1:]] for l in open(sys.argv[1])}
base = min(rows.pop("read"))
for name, t in rows.items():
    t = [max(v - base, 0.01) for v in t]
    print("ImageMagick %s %.2f %.2f" % (name, min(t), statistics.median(t)))
PY
else
    echo "peer: ImageMagick missing, skipped" >&2
fi

python3 - "$work/ours.json" "$work/peers.txt" <<'PY'
import json, sys
ours = {}
for b in json.load(open(sys.argv[1]))["benchmarks"]:
    if b.get("run_type") != "aggregate":
        continue
    name = b["run_name"].split("/")[0].replace("BM_", "")
    ours.setdefault(name, {})[b["aggregate_name"]] = b["real_time"]
peers = {}
for line in open(sys.argv[2]):
    peer, op, mn, med = line.split()
    peers.setdefault(op, {})[peer] = (float(mn), float(med))
ops = [("Memcpy", None), ("Saturate", "saturate"), ("Light", "light"), ("ShiftRGB", "shift"),
       ("Adjust", "adjust"), ("AdjustInTurn", "adjust"), ("Resample2x", "resample2x"),
       ("ResampleTo640", None)]
print("%-14s %9s %9s | %-26s %-26s | %s" % ("operation", "ours min", "median",
      "libvips min/median", "ImageMagick min/median", "ours/best peer (min)"))
for name, op in ops:
    if name not in ours:
        continue
    o = ours[name]
    p = peers.get(op, {}) if op else {}
    cells = []
    for peer in ("libvips", "ImageMagick"):
        cells.append("%8.2f %8.2f" % p[peer] if peer in p else "       -")
    best = min((v[0] for v in p.values()), default=None)
    ratio = "%.3f" % (o["min"] / best) if best else "-"
    print("%-14s %9.2f %9.2f | %-26s %-26s | %s" % (name, o["min"], o["median"], cells[0],
          cells[1], ratio))
print("(ms per 2592 x 1944 picture; memcpy is the floor for one pass over the picture)")
PY

# The whole chain has no peer; shown beside the figures above.
if [ -x "$build/bench/process_bench" ]; then
    "$build/bench/process_bench" --benchmark_out="$work/process.json" \
        --benchmark_out_format=json >/dev/null 2>&1 &&
        python3 - "$work/process.json" <<'PY'
import json, sys
rows = {}
for b in json.load(open(sys.argv[1]))["benchmarks"]:
    if b.get("run_type") == "aggregate":
        rows.setdefault(b["run_name"].split("/")[0].replace("BM_", ""), {})[b["aggregate_name"]] = b["real_time"]
for name, v in rows.items():
    print("%-24s %9.2f %9.2f" % (name, v["min"], v["median"]))
PY
fi
