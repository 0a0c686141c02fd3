#!/bin/sh
# The file list over 2,000 5 MP JPEG scans, side by side with libvips'
# thumbnailer (vipsthumbnail, 2 threads) on the same files, in one run:
# listing time, time until every thumbnail is drawn, the UI thread's longest
# stall and peak memory. The pictures go to a temporary folder.
# Usage: bench/compare_thumbnails.sh [BUILD_DIR] [COUNT]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../build}
count=${2:-2000}
bench=$build/bench/browser_bench
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
[ -x "$bench" ] || { echo "no $bench: build the browser_bench target first" >&2; exit 1; }
command -v vipsthumbnail >/dev/null || { echo "vipsthumbnail missing (libvips-tools)" >&2; exit 1; }

echo "making $count pictures" >&2
"$bench" --make-pictures "$work/scans" "$count"
du -sh "$work/scans" >&2
cat "$work"/scans/* >/dev/null # both sides read from the page cache

now() { date +%s%N; }
ms() { echo $(( ($2 - $1) / 1000000 )); }

echo "ours" >&2
QT_QPA_PLATFORM=offscreen TAVREL_HOME="$work/home" "$bench" --pane "$work/scans" >"$work/ours.txt"
cat "$work/ours.txt" >&2

echo "vipsthumbnail (2 threads)" >&2
mkdir -p "$work/vips"
start=$(now)
( cd "$work/scans" && VIPS_CONCURRENCY=2 vipsthumbnail -s 45x40 -o "$work/vips/%s.jpg" ./*.jpg )
vips_ms=$(ms "$start" "$(now)")

ours_ms=$(sed -n 's/^thumbnails_ms //p' "$work/ours.txt")
printf '\n%-28s %10s %10s\n' "" ours vipsthumbnail
printf '%-28s %10s %10s\n' "folder listed (ms)" "$(sed -n 's/^listed_ms //p' "$work/ours.txt")" -
printf '%-28s %10s %10s\n' "all thumbnails (ms)" "$ours_ms" "$vips_ms"
printf '%-28s %10s %10s\n' "UI thread longest stall (ms)" "$(sed -n 's/^ui_longest_gap_ms //p' "$work/ours.txt")" -
printf '%-28s %10s %10s\n' "UI thread longest busy (ms)" "$(sed -n 's/^ui_longest_busy_ms //p' "$work/ours.txt")" -
printf '%-28s %10s %10s\n' "peak memory (MB)" "$(sed -n 's/^peak_rss_mb //p' "$work/ours.txt")" -
