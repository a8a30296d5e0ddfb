#!/usr/bin/env bash
# Installs what is missing, builds, and starts the editor: ./run.sh [FILE]
# Without a display the editor runs on Qt's offscreen platform, opens FILE
# (or the demo document written at build time), saves a picture of its main
# window and exits; the path of the picture is printed.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/setup-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build >/dev/null

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${QT_QPA_PLATFORM:-}" ]; then
  export QT_QPA_PLATFORM=offscreen
  file="${1:-$PWD/build/demo/demo.wav}"
  exec build/bin/vellmore-editor --snapshot "$PWD/build/snapshot.png" --size 1100x720 \
    --select 0.3,0.55 "$file"
fi
exec build/bin/vellmore-editor "$@"
