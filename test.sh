#!/usr/bin/env bash
# Installs what is missing, builds everything, and runs every test: first the
# engine's tests under AddressSanitizer and UndefinedBehaviorSanitizer, then
# the threaded suites (playback, recording, the operation runner, the batch
# tool's play and record, the background writer and the second decoding
# threads of the MP3 and WMA imports) under ThreadSanitizer, then the whole
# suite.
# ./test.sh --no-sanitize skips both sanitizer builds.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/setup-deps.sh

sanitize=1
for arg in "$@"; do
  case "$arg" in
    --no-sanitize) sanitize=0 ;;
    *) echo "usage: ./test.sh [--no-sanitize]" >&2; exit 2 ;;
  esac
done

# Includes point only down the layers, and only gui/ includes Qt.
./scripts/check-layers.sh

if [ "$sanitize" = 1 ]; then
  cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DVELLMORE_SANITIZE=ON -DVELLMORE_CORE_ONLY=ON >/dev/null
  cmake --build build-asan
  (cd build-asan && ASAN_OPTIONS=detect_leaks=1 ctest --output-on-failure -L core)

  # Only the programs of the threaded suites, and the batch tool without the
  # window. Any report fails its test (exit code 66), child programs too.
  cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVELLMORE_TSAN=ON -DVELLMORE_GUI=OFF -DVELLMORE_BENCH=OFF >/dev/null
  cmake --build build-tsan --target audio_tests core_tests batch_audio_tests platform_tests codecs_tests \
    ombrin_parallel_tests vellmore-batch
  threaded='^(BufferScheme|DeviceThread|Playback|Recording|Monitor|RecordTime|OperationRunner|Progress|BatchAudioTest|BackgroundWriter|ReadLease|BorrowedAudio|Mp3DecoderFiles|ParallelDecodeDamage|ParallelDecodeFailures)\.'
  (cd build-tsan &&
    TSAN_OPTIONS="halt_on_error=1 exitcode=66 second_deadlock_stack=1" \
      ctest --output-on-failure -R "$threaded")
fi

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build
cd build
status=0
ctest --output-on-failure 2>&1 | tee ctest.log || status=$?
[ "${PIPESTATUS[0]}" = 0 ] || status=1
# CTest lists skipped tests after its summary; repeat the summary last.
grep -E '^[0-9]+% tests passed' ctest.log | tail -n 1
exit "$status"
