#!/bin/sh
# The restoration plug-in's steps and the capture chain with and without the
# restoration (restoration_bench), beside the noise filters of libvips (2
# threads) and ImageMagick's edge-keeping selective blur, on the same 5 MP
# grainy picture, in one run. Wall times (min, median) and processor time
# summed over the threads (min): on a shared machine the latter is the
# steadier figure.
# Usage: bench/compare_restoration.sh [BUILD_DIR]   (default: build)
set -u
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

. "$here/peers/common.sh"
run_ours_and_vips restoration_bench "$work/grain.ppm" "$here/peers/vips_denoise_peer.c"

im=$(find_imagemagick)
if [ -n "$im" ]; then
    echo "peer: ImageMagick ($im)" >&2
    "$im" "$work/grain.ppm" "$work/grain.mpc"
    im_run() {
        # $1 name, rest: operation; prints "name wall_ms... / cpu_ms..."
        name=$1
        shift
        walls=
        cpus=
        for i in 1 2 3 4 5; do
            t0=$(date +%s%N)
            c0=$(awk '{print $14 + $15 + $16 + $17}' /proc/$$/stat)
            "$im" -limit thread 2 "$work/grain.mpc" "$@" null: 2>/dev/null
            t1=$(date +%s%N)
            # Processor time of the finished child, from the shell's own times.
            c1=$(awk '{print $14 + $15 + $16 + $17}' /proc/$$/stat)
            walls="$walls $(((t1 - t0) / 1000))"
            cpus="$cpus $(((c1 - c0) * 10000))"
        done
        echo "$name$walls /$cpus"
    }
    {
        im_run read
        im_run selective-blur -selective-blur 0x2+10%
        im_run median3 -statistic median 3x3
    } >"$work/im_raw.txt"
    python3 - "$work/im_raw.txt" >>"$work/peers.txt" <<'PY'
import sys, statistics
rows = {}
for l in open(sys.argv[1]):
    name, rest = l.split(None, 1)
    walls, cpus = rest.split("/")
    rows[name] = ([int(v) / 1000 for v in walls.split()], [int(v) / 1000 for v in cpus.split()])
base_wall, base_cpu = min(rows["read"][0]), min(rows["read"][1])
del rows["read"]
for name, (w, c) in rows.items():
    w = [max(v - base_wall, 0.01) for v in w]
    print("ImageMagick %s %.2f %.2f %.2f" % (name, min(w), statistics.median(w),
          max(min(c) - base_cpu, 0.0)))
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
    ours.setdefault(name, {})[b["aggregate_name"]] = (b["real_time"], b["cpu_time"])
print("%-34s %9s %9s %9s" % ("ms per 2592 x 1944 picture", "wall min", "median", "cpu min"))
for name, v in ours.items():
    print("%-34s %9.1f %9.1f %9.1f" % (name, v["min"][0], v["median"][0], v["min"][1]))
for line in open(sys.argv[2]):
    peer, op, mn, med, cpu = line.split()
    print("%-34s %9.1f %9.1f %9.1f" % (peer + " " + op, float(mn), float(med), float(cpu)))
PY
