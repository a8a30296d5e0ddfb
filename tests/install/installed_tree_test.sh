#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks the tree a user
# gets: every file in its place, the desktop entry and the AppStream
# metadata valid, and the programs running from the prefix alone. The
# programs run in a mount namespace in which the build folder is an empty
# folder, as if it had been deleted, so nothing they need may live there.
#
#   installed_tree_test.sh BUILD_DIR
#
# Exits 77 (skipped) when no mount namespace can be made here.
set -euo pipefail
build=$(cd "$1" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null

status=0
fail() {
  echo "FAIL: $*" >&2
  status=1
}

id=org.vellmore.Editor
expected=(
  bin/vellmore-editor bin/vellmore-batch
  lib/vellmore/libvellmore_message.so lib/vellmore/libombrin.so lib/vellmore/liblame_enc.so
  lib/vellmore/libsarvik.so lib/vellmore/libtallisk.so lib/vellmore/libav_import.so lib/vellmore/libav_export.so
  "share/applications/$id.desktop" "share/metainfo/$id.metainfo.xml"
  "share/icons/hicolor/scalable/apps/$id.svg"
  share/man/man1/vellmore-editor.1 share/man/man1/vellmore-batch.1
)
for size in 16 22 24 32 48 64 128 256; do
  expected+=("share/icons/hicolor/${size}x${size}/apps/$id.png")
done
for file in "${expected[@]}"; do
  [ -f "$prefix/$file" ] || fail "missing $file"
done
for size in 16 256; do
  png="$prefix/share/icons/hicolor/${size}x${size}/apps/$id.png"
  # Width and height sit at bytes 16-23 of a PNG, big-endian.
  dims=$(od -An -tu1 -j16 -N8 "$png" |
    awk '{print $1*16777216+$2*65536+$3*256+$4 "x" $5*16777216+$6*65536+$7*256+$8}')
  [ "$dims" = "${size}x$size" ] || fail "$png is not $size px square: $dims"
done

desktop-file-validate "$prefix/share/applications/$id.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml" >"$work/appstream.txt" 2>&1 ||
  { cat "$work/appstream.txt" >&2; fail "appstreamcli validate"; }
grep -q '^Exec=vellmore-editor %F$' "$prefix/share/applications/$id.desktop" || fail "Exec line"

for program in vellmore-editor vellmore-batch; do
  runpath=$(readelf -d "$prefix/bin/$program" | sed -n 's/.*(RUNPATH).*\[\(.*\)\]/\1/p')
  [ "$runpath" = '$ORIGIN/../lib/vellmore' ] || fail "$program RUNPATH is '$runpath'"
done

# What the programs do once the build folder is gone.
sox -q -n -r 44100 -c 2 -b 16 "$work/tone.wav" synth 0.5 sine 440
mkdir "$work/home" "$work/tmp"
cat >"$work/run.sh" <<SCRIPT
set -eu
mount -t tmpfs tmpfs "$build"
[ -z "\$(ls -A "$build")" ]
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" TMPDIR="$work/tmp"
unset VELLMORE_HOME XDG_RUNTIME_DIR
"$prefix/bin/vellmore-editor" --version
"$prefix/bin/vellmore-editor" --help | head -n 1
"$prefix/bin/vellmore-batch" --version
"$prefix/bin/vellmore-batch" -e "open $work/tone.wav" -e "select 0 4000" -e "cut" \
  -e "save $work/cut.mp3" -e "save $work/cut.wav"
SCRIPT
if [ "$(id -u)" = 0 ]; then
  namespace=(unshare --mount)
else
  namespace=(unshare --mount --map-root-user)
fi
if ! "${namespace[@]}" true 2>/dev/null; then
  echo "no mount namespace here; the programs were not run without the build folder" >&2
  exit 77
fi
if "${namespace[@]}" bash "$work/run.sh" >"$work/out.txt" 2>&1; then
  expected_out=$'vellmore-editor 0.1\nUsage: vellmore-editor [options] [FILE...]\nvellmore-batch 0.1'
  [ "$(cat "$work/out.txt")" = "$expected_out" ] || fail "program output: $(cat "$work/out.txt")"
  [ -s "$work/cut.mp3" ] || fail "no MP3 written (liblame_enc.so from lib/vellmore)"
  [ "$(stat -c %s "$work/cut.wav")" = $((44 + 88200 - 4000)) ] || fail "cut.wav has the wrong size"
  [ -d "$work/home/.config/vellmore" ] || fail "no configuration folder ~/.config/vellmore"
else
  cat "$work/out.txt" >&2
  fail "the installed programs did not run without the build folder"
fi

[ "$status" = 0 ] && echo "installed tree: ${#expected[@]} files checked, programs run without the build folder"
exit "$status"
