#!/usr/bin/env bash
# Fuzzes every target for SECONDS each, one after the other, with libFuzzer
# under ASan and UBSan:
#
#   fuzz/run.sh SECONDS [TARGET...]
#
# Builds with clang in build-fuzz/ (scripts/setup-deps.sh installs clang and
# libFuzzer). Each target starts from its seeds in fuzz/corpus/<target>/ and
# grows a working corpus in build-fuzz/corpus/<target>/, so the stored seeds
# change only when someone copies a find back on purpose. A crash is written
# to fuzz/reproducers/<target>/, where every test run replays it from then on;
# commit it with its fix. The last lines of each target's log (executions,
# coverage, findings) are printed at the end; the whole logs stay in
# build-fuzz/logs/.
set -euo pipefail
cd "$(dirname "$0")/.."

all_targets=(wav_open edit_script mp3 mp3_open wma_decode ffmpeg_import preset config batch_script)
if [ $# -lt 1 ] || ! [[ $1 =~ ^[0-9]+$ ]]; then
  echo "usage: fuzz/run.sh SECONDS [TARGET...]   (targets: ${all_targets[*]})" >&2
  exit 2
fi
seconds=$1
shift
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=("${all_targets[@]}")

./scripts/setup-deps.sh
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVELLMORE_FUZZ=ON -DVELLMORE_GUI=OFF -DVELLMORE_BENCH=OFF >/dev/null
cmake --build build-fuzz --target "${targets[@]/%/_fuzzer}"

mkdir -p build-fuzz/logs
status=0
for target in "${targets[@]}"; do
  corpus=build-fuzz/corpus/$target
  reproducers=fuzz/reproducers/$target
  mkdir -p "$corpus" "$reproducers"
  log=build-fuzz/logs/$target.log
  echo "fuzz: $target for ${seconds}s" >&2
  # One job on one core: the machine is shared. An input that runs past the
  # time-out is a finding; one that is merely slow on a busy machine is not
  # stored. Leaks are findings too, but
  # only those libFuzzer finds input by input: at exit, what the encoder
  # libraries allocated once before they were unloaded looks lost.
  if ! ASAN_OPTIONS=detect_leaks=1:leak_check_at_exit=0:abort_on_error=1 \
    build-fuzz/bin/"${target}_fuzzer" -max_total_time="$seconds" -print_final_stats=1 \
    -timeout=25 -report_slow_units=1000000 -rss_limit_mb=4096 -artifact_prefix="$reproducers/" \
    "$corpus" "fuzz/corpus/$target" >"$log" 2>&1; then
    status=1
    echo "fuzz: $target FOUND A PROBLEM; see $log and $reproducers/" >&2
  fi
done

echo
printf '%-14s %12s %8s %8s %8s  %s\n' target executions exec/s cov ft findings
for target in "${targets[@]}"; do
  log=build-fuzz/logs/$target.log
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -n 1)
  cov=$(grep -oE 'cov: [0-9]+' "$log" | tail -n 1 | cut -d' ' -f2)
  ft=$(grep -oE 'ft: [0-9]+' "$log" | tail -n 1 | cut -d' ' -f2)
  findings=$(find "fuzz/reproducers/$target" -type f ! -name .gitkeep -newer "$log" 2>/dev/null | wc -l)
  crashes=$(grep -cE '^==[0-9]+==ERROR|runtime error|invariant broken|deadly signal' "$log" || true)
  printf '%-14s %12s %8s %8s %8s  %s\n' "$target" "${runs:-?}" "${speed:-?}" "${cov:-?}" "${ft:-?}" \
    "$((findings > crashes ? findings : crashes))"
done
exit "$status"
