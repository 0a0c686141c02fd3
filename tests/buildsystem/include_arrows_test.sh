#!/usr/bin/env bash
# The include check on small trees: it must refuse a crossing, whether written
# relative to src/ or to the including file, and accept what the links allow.
set -euo pipefail
check=$1
tree=$(mktemp -d)
trap 'rm -rf "$tree"' EXIT

mkdir -p "$tree"/src/{capture,manager,imaging,shared}
echo '#pragma once' > "$tree/src/manager/Storage.h"
echo '#pragma once' > "$tree/src/imaging/Dib.h"
echo '#pragma once' > "$tree/src/shared/Xml.h"
printf '#include "imaging/Dib.h"\n#include <string>\n' > "$tree/src/capture/Engine.cpp"
printf '#include "../imaging/Dib.h"\n' > "$tree/src/shared/Up.cpp"

# shared does not link imaging: a crossing written relative to the file.
if out=$("$check" "$tree" 2>&1); then
  echo "FAIL: shared -> imaging passed: $out"; exit 1
fi
grep -q 'src/shared/Up.cpp: includes "../imaging/Dib.h"' <<<"$out" || { echo "FAIL: $out"; exit 1; }
rm "$tree/src/shared/Up.cpp"

"$check" "$tree" >/dev/null || { echo "FAIL: capture -> imaging refused"; exit 1; }

printf '#include "manager/Storage.h"\n' >> "$tree/src/capture/Engine.cpp"
if out=$("$check" "$tree" 2>&1); then
  echo "FAIL: capture -> manager passed"; exit 1
fi
grep -q 'src/capture/Engine.cpp: includes "manager/Storage.h": src/capture does not link src/manager' <<<"$out" \
  || { echo "FAIL: $out"; exit 1; }
echo "ok"
