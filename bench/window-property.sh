#!/usr/bin/env bash
# A long run of the window's random-action property test: thousands of mouse
# selections, zooms, scrolls, edits, undos, redos and tools per sample
# layout, each followed by the consistency checks of the short run in the
# test suite. Usage: bench/window-property.sh [STEPS] (default 3000), after a
# build into build/.
set -euo pipefail
cd "$(dirname "$0")/.."
steps="${1:-3000}"
VELLMORE_PROPERTY_STEPS="$steps" QT_QPA_PLATFORM=offscreen \
  build/bin/gui_tests --gtest_filter='WindowProperty.*'
