#!/usr/bin/env bash
# Fails when a file includes a header of a library its own library may not
# link. The arrows are the architecture's:
#   manager -> browser -> imaging, capture -> imaging, imaging -> shared -> platform.
# Each Qt glue library (platform/qt, shared/qt, imaging/qt, browser/qt) and each
# program folder (capture/app, manager/app) sits beside the library it binds:
# it may use that library and the Qt glue of the libraries below it. Only our
# own headers are checked; tests/<area> folders are test programs, not
# libraries, and only tests/support is checked.
#
# usage: check_include_arrows.sh [SOURCE_ROOT]
set -euo pipefail
root=${1:-$(cd "$(dirname "$0")/.." && pwd)}
cd "$root"

# Component of a file: the longest listed folder that holds it.
components=(
  src/platform/qt src/platform
  src/shared/qt src/shared
  src/imaging/qt src/imaging
  src/browser/qt src/browser
  src/capture/app src/capture
  src/manager/app src/manager
  src/plugins
  src/tools/tool src/tools/sim
  tests/support/qt tests/support
)

# What each component may include directly; the check follows these through.
declare -A links=(
  [src/platform]=""
  [src/platform/qt]="src/platform"
  [src/shared]="src/platform"
  [src/shared/qt]="src/shared src/platform/qt"
  [src/imaging]="src/shared"
  [src/imaging/qt]="src/imaging src/shared/qt"
  [src/browser]="src/imaging"
  [src/browser/qt]="src/browser src/imaging/qt"
  [src/capture]="src/imaging"
  [src/capture/app]="src/capture src/imaging/qt"
  [src/manager]="src/browser"
  [src/manager/app]="src/manager src/browser/qt"
  [src/plugins]="src/imaging"
  [src/tools/tool]="src/capture src/manager"
  [src/tools/sim]="src/shared"
  [tests/support]="src/imaging"
  [tests/support/qt]="tests/support src/imaging/qt"
)

component_of() { # sets $component; no subshell, this runs per include
  local path=$1 c
  component=""
  for c in "${components[@]}"; do
    if [[ $path == "$c"/* && ${#c} -gt ${#component} ]]; then
      component=$c
    fi
  done
}

normalize() { # sets $normalized: $1 without "." and "dir/.." parts
  local part out=()
  local IFS=/
  for part in $1; do
    case $part in
      . | "") ;;
      ..) ((${#out[@]})) && unset 'out[-1]' ;;
      *) out+=("$part") ;;
    esac
  done
  normalized="${out[*]}"
}

declare -A reach=()
reachable() { # sets $allowed: every component $1 may include, itself first
  local c=$1
  if [[ -z ${reach[$c]+set} ]]; then
    local seen=" $c " queue=("$c") next d
    while ((${#queue[@]})); do
      next=${queue[0]}
      queue=("${queue[@]:1}")
      for d in ${links[$next]-}; do
        if [[ $seen != *" $d "* ]]; then
          seen+="$d "
          queue+=("$d")
        fi
      done
    done
    reach[$c]=$seen
  fi
  allowed=${reach[$c]}
}

failures=0
while IFS= read -r line; do
  file=${line%%:*}
  header=${line#*:}
  header=${header#*include}
  header=${header#"${header%%[\"<]*}"}
  header=${header:1}
  header=${header%%[\">]*}
  dir=${file%/*}
  if [[ -f $dir/$header ]]; then
    normalize "$dir/$header"
    target=$normalized
  elif [[ -f src/$header ]]; then
    target=src/$header
  elif [[ -f tests/$header ]]; then
    target=tests/$header
  else
    continue # a system, library or generated header
  fi
  component_of "$file"
  from=$component
  component_of "$target"
  to=$component
  [[ -n $from && -n $to && $from != "$to" ]] || continue
  reachable "$from"
  [[ $allowed != *" $to "* ]] || continue
  echo "$file: includes \"$header\": $from does not link $to" >&2
  failures=$((failures + 1))
done < <(grep -rE --include='*.h' --include='*.cpp' --include='*.c' \
  '^[[:space:]]*#[[:space:]]*include[[:space:]]*["<]' src tests/support 2>/dev/null || true)

if ((failures)); then
  echo "$failures include(s) cross the library arrows" >&2
  exit 1
fi
echo "include arrows: ok"
