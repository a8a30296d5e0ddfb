#!/usr/bin/env bash
# Keeps the folders layered: an include may point into its own folder or
# into a folder of a lower layer, never up or sideways, and only gui/ (with
# the GUI tests and the view benchmarks) includes Qt.
#
#   0 platform, resources   Linux services; control ids
#   1 libs                  the run-time libraries' call contracts
#   2 engine                documents, store, splices, undo, peaks, runner
#   3 effects, codecs       processing, dialog models, codec glue
#   4 audio                 playback and recording engines
#   5 app                   application hub, configuration, command rules
#   6 gui, batch            the two front ends
#
# Prints every offending line and exits 1 when there is one.
set -euo pipefail
cd "$(dirname "$0")/.."

declare -A rank=(
  [platform]=0 [resources]=0 [libs]=1 [engine]=2 [effects]=3 [codecs]=3
  [audio]=4 [app]=5 [gui]=6 [batch]=6
)

status=0
while IFS= read -r file; do
  own=${file%%/*}
  qt_allowed=0
  case "$file" in
    gui/* | tests/gui/* | bench/gui/*) qt_allowed=1 ;;
  esac
  while IFS=: read -r line text; do
    if [[ $text =~ \#include[[:space:]]*\<(Q[A-Za-z]*|qt[^>]*)\> ]]; then
      if [ "$qt_allowed" = 0 ]; then
        echo "$file:$line: Qt outside gui/: $text"
        status=1
      fi
      continue
    fi
    [[ $text =~ \#include[[:space:]]*\"([a-z_]+)/ ]] || continue
    target=${BASH_REMATCH[1]}
    [ -n "${rank[$own]:-}" ] || continue  # tests, fuzz targets and benchmarks may use any layer
    [ -n "${rank[$target]:-}" ] || continue
    if [ "$target" != "$own" ] && [ "${rank[$target]}" -ge "${rank[$own]}" ]; then
      echo "$file:$line: $own/ must not include $target/: $text"
      status=1
    fi
  done < <(grep -nE '^[[:space:]]*#[[:space:]]*include' "$file" || true)
done < <(git ls-files --cached --others --exclude-standard '*.h' '*.cpp' '*.hpp' '*.cc')

if [ "$status" != 0 ]; then
  echo "check-layers: includes that break the layering (see the table at the top of scripts/check-layers.sh)" >&2
fi
exit "$status"
