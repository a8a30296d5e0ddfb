#!/usr/bin/env bash
# Makes the seed corpora of the fuzz targets in fuzz/corpus/<target>/: small
# real files from sox, lame and ffmpeg (each one a different layout the
# readers must handle), and hand-made preset files, configuration records
# and batch scripts. The seeds are kept in the repository; run this again
# only to change them.
set -euo pipefail
cd "$(dirname "$0")"
for tool in sox lame ffmpeg flac; do
  command -v "$tool" >/dev/null || { echo "make-seeds: $tool is needed (scripts/setup-deps.sh)" >&2; exit 1; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
rm -rf corpus
mkdir -p corpus/{wav_open,edit_script,mp3,mp3_open,wma_decode,ffmpeg_import,preset,config,batch_script}

# sox without dither, so the same command always makes the same bytes.
tone() {  # tone OUT RATE CHANNELS BITS SECONDS [extra sox options before the output]
  local out=$1 rate=$2 channels=$3 bits=$4 seconds=$5
  shift 5
  sox -D -n -r "$rate" -c "$channels" -b "$bits" "$@" "$out" synth "$seconds" sine 440 sine 660
}
ffquiet() { ffmpeg -nostdin -hide_banner -loglevel error -y "$@"; }

# --- WAV: the layouts the header reader meets ---
tone corpus/wav_open/mono8.wav 8000 1 8 0.05
tone corpus/wav_open/stereo16.wav 11025 2 16 0.02
tone corpus/wav_open/comment.wav 22050 2 16 0.01 --comment "a LIST chunk before the data"
tone corpus/wav_open/extensible24.wav 8000 2 24 0.01
tone corpus/wav_open/float32.wav 8000 1 32 0.01 -e floating-point
ffquiet -f lavfi -i "sine=frequency=440:sample_rate=8000:duration=0.02" -c:a pcm_u8 \
  -fflags +bitexact corpus/wav_open/ffmpeg_u8.wav
ffquiet -f lavfi -i "sine=frequency=440:sample_rate=16000:duration=0.01" -ac 2 -c:a pcm_s16le \
  -metadata title=seed corpus/wav_open/ffmpeg_info.wav
head -c 40 corpus/wav_open/stereo16.wav >corpus/wav_open/header_cut.wav
# The edit script needs audio long enough for its selections to matter.
tone corpus/edit_script/stereo16.wav 8000 2 16 0.2
tone corpus/edit_script/mono8.wav 8000 1 8 0.3
tone corpus/edit_script/mono16_odd.wav 11025 1 16 0.05 --comment "x"

# --- MP3: MPEG-1, -2 and -2.5, mono and stereo, CRC, both tag versions ---
tone "$work/tone44.wav" 44100 2 16 0.1
tone "$work/tone16.wav" 16000 1 16 0.1
tone "$work/tone8.wav" 8000 1 16 0.1
lame --quiet -b 32 "$work/tone44.wav" corpus/mp3/mpeg1_stereo.mp3
lame --quiet -b 32 -p --id3v1-only --tt Seed --ta Artist --tg 13 "$work/tone44.wav" corpus/mp3/crc_id3v1.mp3
lame --quiet -b 32 --id3v2-only --tt Seed --tc "a comment" "$work/tone44.wav" corpus/mp3/id3v2.mp3
lame --quiet -b 16 -m m "$work/tone16.wav" corpus/mp3/mpeg2_mono.mp3
lame --quiet -b 8 -m m "$work/tone8.wav" corpus/mp3/mpeg25_mono.mp3
lame --quiet -V 9 "$work/tone44.wav" corpus/mp3/vbr_info_frame.mp3
# The MP3 open: the same streams, whole and cut off two thirds in.
for f in corpus/mp3/*.mp3; do
  cp "$f" corpus/mp3_open/
  head -c $(($(stat -c %s "$f") * 2 / 3)) "$f" >"corpus/mp3_open/cut_$(basename "$f")"
done

# --- WMA: both codec versions, mono and stereo, with attributes ---
ffquiet -f lavfi -i "sine=frequency=440:sample_rate=22050:duration=0.1" -ac 2 -c:a wmav2 \
  -b:a 32k -fflags +bitexact corpus/wma_decode/wmav2_stereo.wma
ffquiet -f lavfi -i "sine=frequency=440:sample_rate=16000:duration=0.1" -ac 1 -c:a wmav1 \
  -b:a 24k -fflags +bitexact corpus/wma_decode/wmav1_mono.wma
ffquiet -f lavfi -i "sine=frequency=440:sample_rate=8000:duration=0.1" -ac 1 -c:a wmav2 \
  -b:a 24k -metadata title=Seed -metadata author=Artist corpus/wma_decode/tagged.wma

# --- The import routine: one small file of every format it opens ---
seed() {  # seed OUT CHANNELS RATE [ffmpeg output options]
  local out=$1 channels=$2 rate=$3
  shift 3
  ffquiet -f lavfi -i "sine=frequency=440:sample_rate=$rate:duration=0.05" -ac "$channels" \
    -fflags +bitexact -flags:a +bitexact "$@" "corpus/ffmpeg_import/$out"
}
tone "$work/mono16.wav" 8000 1 16 0.05
flac -s --no-padding -5 -o corpus/ffmpeg_import/mono16.flac "$work/mono16.wav"
tone "$work/stereo24.wav" 11025 2 24 0.05
flac -s --no-padding -5 -o corpus/ffmpeg_import/stereo24.flac "$work/stereo24.wav"
seed vorbis.ogg 2 8000 -c:a libvorbis -q:a 0
seed opus.opus 1 48000 -c:a libopus -b:a 16k
seed aac.m4a 2 8000 -c:a aac -b:a 16k
seed alac.m4a 1 8000 -c:a alac
seed pcm16.aiff 2 8000 -c:a pcm_s16be
seed float.aifc 1 8000 -f aiff -c:a pcm_f32be
seed pcm24.caf 1 8000 -c:a pcm_s24le
seed extensible24.wav 2 8000 -c:a pcm_s24le
seed float64.wav 1 8000 -c:a pcm_f64le
seed surround.wav 6 8000 -c:a pcm_s16le
head -c 1500 corpus/ffmpeg_import/stereo24.flac >corpus/ffmpeg_import/cut.flac

# --- Preset files: records of 152 (echo, reverb) and 160 bytes (multi voice) ---
le32() { printf "\\x$(printf %02x $(($1 & 255)))\\x$(printf %02x $((($1 >> 8) & 255)))\\x$(printf %02x $((($1 >> 16) & 255)))\\x$(printf %02x $((($1 >> 24) & 255)))"; }
name128() { printf '%s' "$1"; head -c $((128 - ${#1})) /dev/zero; }
record() {  # record NAME FIELD...
  name128 "$1"
  shift
  for v in "$@"; do le32 "$v"; done
}
record "Seed Echo" 1 80 70 40 30 250 >corpus/preset/one_record.prt
{ record "First" 1 100 100 50 50 10; record "Second" 0 0 0 0 0 2500; } >corpus/preset/two_records.prt
record "Voices" 1 4 100 90 50 40 20 30 >corpus/preset/multivoice_record.prt
{ record "Whole" 1 1 1 1 1 1; head -c 100 /dev/zero; } >corpus/preset/cut_off_tail.prt
record "Extremes" -1 -2147483648 2147483647 -1 2147483647 -2147483648 >corpus/preset/extremes.prt

# --- editor.cfg: the 532-byte record, a short one, one without a NUL ---
config() {  # config TEMP_FOLDER LAST_RUN_FOLDER
  printf '%s' "$1"; head -c $((260 - ${#1})) /dev/zero
  printf '\xff\xff\xff\xff'; le32 1; le32 0
  printf '%s' "$2"; head -c $((260 - ${#2})) /dev/zero
}
config /tmp /tmp/20260101120000 >corpus/config/record.cfg
config /tmp/a/b/../c "" >corpus/config/nested_folder.cfg
head -c 100 corpus/config/record.cfg >corpus/config/short.cfg
{ head -c 260 /dev/zero | tr '\0' a; printf '\0\0\0\0'; le32 0; le32 1; head -c 260 /dev/zero | tr '\0' 1; } \
  >corpus/config/no_terminator.cfg

# --- Batch scripts ---
cat >corpus/batch_script/every_command.txt <<'SCRIPT'
open song.wav
pcm-format 2 16 44100
new 1 22050 8
activate 1
select 88200 1.5s
select all
view 250ms 2s
copy
cut
delete
paste-insert
paste-over
undo
redo
volume 100 300 entire
fade 100 100 0 0 selection
mute left
reverse both
swap
copy-channel right entire
echo preset 'Canyon Echo'
echo 100 50 40 60 25 3 selection
reverb preset "Small Room"
reverb 50 50 20 20 100 100
multi-voice 3 100 80 50 50 20 7
mix-paste 100 100 100 100
change-quality 1 8000 8
save out.mp3 bitrate 128 title "A Title" genre 13
save out.wma quality 2 artist 'It\'s'
export-peaks peaks.pek
info
close
SCRIPT
printf 'select 0.000000000000000000000000000001s 99999999999999999999999999999ms\n' \
  >corpus/batch_script/long_numbers.txt
printf '# comment only\n\n  \t\nopen "a b\\"c" # tail\nopen \\\n' >corpus/batch_script/quoting.txt
printf "open 'unterminated\n" >corpus/batch_script/unterminated.txt
ls -l corpus/* | awk 'NF > 5 {total += $5} END {print "make-seeds: " total " bytes of seeds"}'
