#!/usr/bin/env bash
# Whole jobs as a user runs them: the batch tool against a peer program that
# does the same job, run alternately in one call so both meet the same
# machine. Prints the median wall time of each side, their ratio, and the
# peak resident memory each reached (as /usr/bin/time reports it).
#
#   bench/whole-job.sh [ROUNDS]          (default 3; the build in build/)
#
# The files (a 10-minute 44.1 kHz stereo WAV of 101 MiB, its MP3 and WMA,
# a 512 MiB WAV, and a 16 MiB one whose jobs show that memory does not grow
# with the file) are made once per run with sox, lame and ffmpeg in a
# scratch folder under the temporary folder. Each job writes over the output
# the previous round left, as a user saving again would.
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=${1:-3}
batch=$PWD/build/bin/vellmore-batch
[ -x "$batch" ] || { echo "build the project first (build/bin/vellmore-batch)" >&2; exit 2; }
for tool in sox lame ffmpeg mpg123 /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "$tool is needed" >&2; exit 2; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/vellmore-whole-job.XXXXXX")
trap 'rm -rf "$work"' EXIT
home=$work/home
mkdir -p "$home"
cd "$work"
echo "making the files..." >&2
sox -n -r 44100 -c 2 -b 16 ten.wav synth 600 pinknoise vol 0.5
sox -n -r 44100 -c 2 -b 16 big.wav synth 3043.4 pinknoise vol 0.5  # 512 MiB of audio
sox -n -r 44100 -c 2 -b 16 small.wav synth 95.1 pinknoise vol 0.5   # 16 MiB, for memory
lame --quiet -b 192 ten.wav ten.mp3
ffmpeg -v error -y -i ten.wav -c:a wmav2 -b:a 192k ten.wma

ours() { "$batch" --home "$home" "$@" >/dev/null; }
# The same durability as a save: the copy is on the disk when it returns.
copy_and_sync() { cp "$1" "$2" && sync "$2"; }
# job name | our command | the peer's command
jobs=(
  "volume 101 MiB|ours -e 'open ten.wav' -e 'volume 50 50' -e 'save out-ours.wav'|sox ten.wav out-peer.wav vol 0.5"
  "volume 16 MiB|ours -e 'open small.wav' -e 'volume 50 50' -e 'save out-ours.wav'|sox small.wav out-peer.wav vol 0.5"
  "volume 512 MiB|ours -e 'open big.wav' -e 'volume 50 50' -e 'save out-ours.wav'|sox big.wav out-peer.wav vol 0.5"
  "open+save 16 MiB|ours -e 'open small.wav' -e 'save out-ours.wav'|copy_and_sync small.wav out-peer.wav"
  "open+save 512 MiB|ours -e 'open big.wav' -e 'save out-ours.wav'|copy_and_sync big.wav out-peer.wav"
  "MP3 to WAV|ours -e 'open ten.mp3' -e 'save out-ours.wav'|mpg123 -q -w out-peer.wav ten.mp3"
  "WMA to WAV|ours -e 'open ten.wma' -e 'save out-ours.wav'|ffmpeg -v error -y -i ten.wma out-peer.wav"
)

# One timed run: prints "seconds max-rss-kib".
timed() {
  /usr/bin/time -f '%e %M' -o time.out bash -c "$(declare -f ours copy_and_sync); batch=$batch; home=$home; $1"
  cat time.out
}
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

printf '%-18s %9s %9s %7s %10s %10s\n' job ours peer ratio "ours RSS" "peer RSS"
for job in "${jobs[@]}"; do
  IFS='|' read -r name mine theirs <<<"$job"
  : >ours.times
  : >peer.times
  for ((round = 0; round < rounds; ++round)); do
    timed "$mine" >>ours.times
    timed "$theirs" >>peer.times
  done
  ourTime=$(cut -d' ' -f1 ours.times | median)
  peerTime=$(cut -d' ' -f1 peer.times | median)
  ourRss=$(cut -d' ' -f2 ours.times | sort -n | tail -n 1)
  peerRss=$(cut -d' ' -f2 peer.times | sort -n | tail -n 1)
  printf '%-18s %8.2fs %8.2fs %6.2fx %7d MiB %7d MiB\n' "$name" "$ourTime" "$peerTime" \
    "$(awk -v a="$ourTime" -v b="$peerTime" 'BEGIN { print (b > 0 ? a / b : 0) }')" \
    $((ourRss / 1024)) $((peerRss / 1024))
done
