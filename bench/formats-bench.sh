#!/usr/bin/env bash
# FLAC import, FLAC export and Ogg Vorbis export of vellmore-batch side by
# side with the command-line peers, on one 10-minute 44.1 kHz stereo file:
#
#   FLAC import   vellmore-batch open x.flac        ffmpeg -i x.flac -f s16le out
#   FLAC export   vellmore-batch save out.flac      flac -5
#   Ogg export    vellmore-batch save out.ogg       ffmpeg -c:a libvorbis -q:a 5
#
# The two sides run alternately in one run, ROUNDS times (default 5), so that
# a busy machine slows both alike; each line prints the medians and their
# ratio (ours / peer), of the elapsed time and of the processor time. An
# export is timed as open-then-save less the median of the open alone, so
# that only the encoding is compared.
#
#   bench/formats-bench.sh [BUILD_DIR] [ROUNDS] [SECONDS]
set -euo pipefail

build=${1:-build}
rounds=${2:-5}
seconds=${3:-600}
batch="$build/bin/vellmore-batch"
[ -x "$batch" ] || { echo "formats-bench: $batch not built" >&2; exit 1; }
for tool in sox ffmpeg flac; do
  command -v "$tool" >/dev/null || { echo "formats-bench: $tool missing (scripts/setup-deps.sh)" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
home="$work/home"
mkdir -p "$home"

# Music-like material: two tones, a sweep and some noise, so that neither
# encoder finds it trivially compressible.
sox -n -r 44100 -c 2 -b 16 "$work/x.wav" synth "$seconds" sine 440 sine 660-2000 \
  synth pinknoise mix vol 0.5 2>/dev/null
flac -s -5 -f -o "$work/x.flac" "$work/x.wav"

# "WALL CPU" in milliseconds for `"$@"`: elapsed time, and user plus system
# time, which a machine busy with other work inflates less.
elapsed() {
  local TIMEFORMAT='%R %U %S' line
  line=$({ time "$@" >/dev/null 2>&1; } 2>&1)
  awk -v l="$line" 'BEGIN { split(l, t, " "); printf "%d %d\n", t[1] * 1000, (t[2] + t[3]) * 1000 }'
}

median() {
  sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}

declare -A wall cpu
record() {
  wall[$1]+="${2% *}"$'\n'
  cpu[$1]+="${2#* }"$'\n'
}

for ((round = 1; round <= rounds; ++round)); do
  record import_ours "$(elapsed "$batch" --home "$home" -e "open $work/x.flac")"
  record import_peer "$(elapsed ffmpeg -v error -y -i "$work/x.flac" -f s16le "$work/peer.raw")"
  record open_wav "$(elapsed "$batch" --home "$home" -e "open $work/x.wav")"
  record flac_ours "$(elapsed "$batch" --home "$home" -e "open $work/x.wav" -e "save $work/ours.flac")"
  record flac_peer "$(elapsed flac -s -5 -f -o "$work/peer.flac" "$work/x.wav")"
  record ogg_ours "$(elapsed "$batch" --home "$home" -e "open $work/x.wav" -e "save $work/ours.ogg ogg-quality 5")"
  record ogg_peer "$(elapsed ffmpeg -v error -y -i "$work/x.wav" -c:a libvorbis -q:a 5 "$work/peer.ogg")"
done

mw() { printf '%s' "${wall[$1]}" | median; }
mc() { printf '%s' "${cpu[$1]}" | median; }
minus() { awk -v a="$1" -v b="$2" 'BEGIN { print a - b }'; }
report() {
  awk -v n="$1" -v o="$2" -v p="$3" -v oc="$4" -v pc="$5" 'BEGIN {
    printf "%-12s ours %6.0f ms  peer %6.0f ms  ratio %.2f (limit 1.10)   cpu ours %6.0f  peer %6.0f  ratio %.2f\n",
      n, o, p, o / p, oc, pc, oc / pc }'
}
echo "formats-bench: $rounds rounds, $seconds s of 44.1 kHz stereo, medians"
report "FLAC import" "$(mw import_ours)" "$(mw import_peer)" "$(mc import_ours)" "$(mc import_peer)"
report "FLAC export" "$(minus "$(mw flac_ours)" "$(mw open_wav)")" "$(mw flac_peer)" \
  "$(minus "$(mc flac_ours)" "$(mc open_wav)")" "$(mc flac_peer)"
report "Ogg export" "$(minus "$(mw ogg_ours)" "$(mw open_wav)")" "$(mw ogg_peer)" \
  "$(minus "$(mc ogg_ours)" "$(mc open_wav)")" "$(mc ogg_peer)"
