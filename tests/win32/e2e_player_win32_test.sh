#!/usr/bin/env bash
# The real Windows programs under wine, on the virtual X server that scripts/windows-test.sh starts:
#   e2e_player_win32_test.sh BUILD_DIR SOURCE_DIR [LINUX_BUILD_DIR]
# A demo run with a relative file name from another folder, full screen at the screen's own size
# (the display mode is changed and put back), the help text on standard output, the missing-file
# box with its exact text, closed with the Return key, ending with status 1; animtool's PNG files
# through the system's codecs, checked against the Linux animtool when its build is given; bmp2png
# turning a BMP into a PNG of the same pixels; gzip and zstd files shown and restarted like plain.
set -uo pipefail

build=$1
source=$2
linux_build=${3:-}
exe="$build/vantorel.exe"
log="$build/graphics_error.log"
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
[ -f "$exe" ] || { echo "FAIL: $exe missing" >&2; exit 1; }

# 1. Played once from the assets folder with a relative name; the player itself moves to its own
#    folder, so the name only works when the entry made it absolute.
rm -f "$log"
(cd "$source/assets" && timeout 120 wine "$exe" -once -fms:0 -res:160x120 demo.anim </dev/null)
status=$?
[ $status -eq 0 ] || fail "windowed -once run exited with $status"
[ ! -s "$log" ] || fail "windowed run logged: $(cat "$log")"

# 2. Full screen at the screen's size: the mode change succeeds, is restored, and nothing is logged.
rm -f "$log"
geometry_before=$(xdotool getdisplaygeometry)
timeout 120 wine "$exe" -fullscreen -once -fms:0 -res:${geometry_before/ /x} "$source/assets/demo.anim" </dev/null
status=$?
[ $status -eq 0 ] || fail "full-screen -once run exited with $status"
[ ! -s "$log" ] || fail "full-screen run logged: $(cat "$log")"
[ "$(xdotool getdisplaygeometry)" = "$geometry_before" ] || fail "display mode not restored"

# 3. The help text reaches standard output, the same text as on Linux.
help=$(timeout 60 wine "$exe" -? </dev/null)
status=$?
[ $status -eq 0 ] || fail "-? exited with $status"
if [ -n "$linux_build" ] && [ -x "$linux_build/vantorel-headless" ]; then
  expected=$("$linux_build/vantorel-headless" -? </dev/null)
  [ "$help" = "$expected" ] || fail "help text differs from the Linux player's"
else
  grep -qx 'vantorel \[switches\] input_file.anim' <<<"$help" || fail "help text missing"
fi

# 4. No file name: the box shows the exact text (wine traces the text it puts in the box), Return
#    closes it, and the exit status is 1.
trace=$(mktemp)
WINEDEBUG=-all,trace+msgbox timeout 120 wine "$exe" </dev/null 2>"$trace" &
player=$!
box=$(timeout 60 xdotool search --sync --onlyvisible --name '^Vantorel Error$' | head -1)
if [ -z "$box" ]; then
  fail "the missing-file box did not appear"
  kill $player 2>/dev/null
else
  # The box takes the focus once wine has activated it; a press that came too early is repeated.
  for attempt in 1 2 3 4 5; do
    sleep 1
    xdotool windowfocus "$box" 2>/dev/null
    xdotool key Return
    sleep 1
    kill -0 $player 2>/dev/null || break
  done
fi
wait $player
status=$?
[ $status -eq 1 ] || fail "missing-file run exited with $status"
text="No file specified!  You must give a filename at the commandline, or drag .anim files onto \
vantorel.exe or associate .anim files to open with Vantorel.  Run 'vantorel -?' to see \
commandline usage."
grep -qF "MSGBOX_OnInit L\"$text\"" "$trace" || fail "box text differs: $(grep MSGBOX_OnInit "$trace")"
rm -f "$trace"

# 5. animtool: render, encode over an existing file, a PNG that is not one. Encoding the rendered
#    PNG on Linux gives the same bytes only if both sides read and write the same pixels.
work=$(mktemp -d)
tool="$build/animtool.exe"
(cd "$work" &&
  wine "$tool" render "$source/assets/demo.anim" --size 96x72 --frames 5 -o r.png </dev/null >/dev/null &&
  wine "$tool" encode -o e.anim r.png </dev/null >/dev/null &&
  wine "$tool" encode -o e.anim r.png </dev/null >/dev/null) || fail "animtool render/encode failed"
echo "not a picture" >"$work/bad.png"
message=$(cd "$work" && wine "$tool" encode -o x.anim bad.png 2>&1 </dev/null)
status=$?
[ $status -eq 1 ] && [ "${message%$'\r'}" = "animtool: bad.png: not a PNG file" ] ||
  fail "bad PNG: status $status, message '$message'"
[ ! -e "$work/x.anim" ] || fail "a failed encode left x.anim behind"
# Another format is named for what it is.
cp "$work/r.png" "$work/picture.anim"
for case in "picture.anim|a PNG image, not an .anim animation"; do
  message=$(cd "$work" && wine "$tool" info "${case%%|*}" 2>&1 </dev/null)
  status=$?
  [ $status -eq 1 ] && [ "${message%$'\r'}" = "animtool: ${case%%|*}: ${case#*|}" ] ||
    fail "${case%%|*}: status $status, message '$message'"
done
if [ -n "$linux_build" ] && [ -x "$linux_build/animtool" ]; then
  "$linux_build/animtool" encode -o "$work/linux.anim" "$work/r.png" >/dev/null &&
    cmp -s "$work/linux.anim" "$work/e.anim" || fail "Windows and Linux animtool disagree"
fi
# Without FFmpeg: GIF export as on Linux, and other kinds of file refused in one line.
(cd "$work" && wine "$tool" export "$source/assets/demo.anim" w.gif --frames 5 </dev/null >/dev/null) ||
  fail "animtool export to GIF failed"
if [ -n "$linux_build" ] && [ -x "$linux_build/animtool" ]; then
  "$linux_build/animtool" export "$source/assets/demo.anim" "$work/l.gif" --frames 5 >/dev/null &&
    cmp -s "$work/l.gif" "$work/w.gif" || fail "Windows and Linux GIF exports differ"
fi
: >"$work/clip.mp4"
message=$(cd "$work" && wine "$tool" encode -o x.anim clip.mp4 2>&1 </dev/null)
status=$?
[ $status -eq 1 ] && [ "${message%$'\r'}" = \
  "animtool: encode: clip.mp4: this build reads PNG pictures only (it has no FFmpeg)" ] ||
  fail "encode of a video: status $status, message '$message'"
rm -rf "$work"

# 6. bmp2png: a bottom-up BMP with padded rows becomes a PNG of the same pixels (read back by the
#    Linux animtool when its build is given) and -E deletes the BMP; a bad BMP stays, status 1.
work=$(mktemp -d)
# 2x2: bottom row red, blue; top row green, white; each row padded from 6 to 8 bytes.
printf 'BM\x46\0\0\0\0\0\0\0\x36\0\0\0\x28\0\0\0\x02\0\0\0\x02\0\0\0\x01\0\x18\0%b%b' \
  '\0\0\0\0\x10\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0' \
  '\0\0\xff\xff\0\0\0\0\0\xff\0\xff\xff\xff\0\0' >"$work/shot.bmp"
cp "$work/shot.bmp" "$work/linux.bmp"
(cd "$work" && wine "$build/bmp2png.exe" -9 -E shot.bmp </dev/null) || fail "bmp2png failed"
[ -s "$work/shot.png" ] && [ ! -e "$work/shot.bmp" ] || fail "bmp2png -E: $(ls "$work")"
echo "BMxx" >"$work/bad.bmp"
message=$(cd "$work" && wine "$build/bmp2png.exe" bad.bmp 2>&1 </dev/null)
status=$?
[ $status -eq 1 ] && [ "${message%$'\r'}" = "bmp2png: bad.bmp: not a BMP file (too short)" ] ||
  fail "bad BMP: status $status, message '$message'"
[ -e "$work/bad.bmp" ] && [ ! -e "$work/bad.png" ] || fail "a bad BMP was not left alone"
if [ -n "$linux_build" ] && [ -x "$linux_build/bmp2png" ] && [ -x "$linux_build/animtool" ]; then
  "$linux_build/bmp2png" "$work/linux.bmp" &&
    "$linux_build/animtool" encode -o "$work/w.anim" "$work/shot.png" >/dev/null &&
    "$linux_build/animtool" encode -o "$work/l.anim" "$work/linux.png" >/dev/null &&
    cmp -s "$work/w.anim" "$work/l.anim" || fail "Windows and Linux bmp2png disagree"
fi
rm -rf "$work"

# 7. Compressed files, known by their first bytes: animtool renders every frame of a gzip and a zstd
#    copy to the same bytes as the plain file, writes gzip that gzip reads back, and finds a cut
#    file damaged; the player, paused, steps three frames, restarts with R and steps three again,
#    and both screenshots are the same for the three files. A build made without zstd's source
#    names that compression instead.
work=$(mktemp -d)
cp "$source/assets/demo.anim" "$work/plain.anim"
gzip -9 -c "$work/plain.anim" >"$work/packed-gz"
zstd -q -19 -c "$work/plain.anim" >"$work/packed-zst"
head -c 300000 "$work/packed-gz" >"$work/cut-gz"
kinds="plain.anim packed-gz"
if grep -q '^VT_WINDOWS_ZSTD:INTERNAL=1$' "$build/CMakeCache.txt"; then
  kinds="$kinds packed-zst"
else
  message=$(cd "$work" && wine "$tool" info packed-zst 2>&1 </dev/null)
  [ "${message%$'\r'}" = "animtool: packed-zst: a zstd-compressed file, which this build cannot read" ] ||
    fail "zstd without its decoder: '$message'"
fi
(cd "$work" && wine "$tool" render plain.anim --raw -o - </dev/null >plain.rgb) || fail "render of plain.anim failed"
for name in $kinds; do
  (cd "$work" && wine "$tool" render "$name" --raw -o - </dev/null | cmp -s - plain.rgb) ||
    fail "$name renders differently from plain.anim"
done
(cd "$work" && wine "$tool" compress --compress gzip plain.anim -o w.gz </dev/null) &&
  gzip -dc "$work/w.gz" | cmp -s - "$work/plain.anim" || fail "animtool compress --compress gzip"
message=$(cd "$work" && wine "$tool" check cut-gz 2>&1 </dev/null)
[ $? -eq 1 ] && [[ "$message" == *"cut-gz: byte "*"the compressed data is damaged or cut short"* ]] ||
  fail "cut gzip file: '$message'"
for name in $kinds; do
  mkdir "$work/$name.run"
  (cd "$work/$name.run" && wine "$exe" -paused -res:160x120 "../$name" </dev/null) &
  player=$!
  window=$(timeout 60 xdotool search --sync --onlyvisible --name 'Vantorel' | head -1)
  xdotool windowfocus "$window" 2>/dev/null
  sleep 1
  for key in Right Right Right s r Right Right Right s q; do
    xdotool key $key
    sleep 0.5
  done
  wait $player || fail "$name: the player exited with $?"
  shots=("$work/$name.run"/screenshot*)
  [ ${#shots[@]} -eq 2 ] && cmp -s "${shots[0]}" "${shots[1]}" ||
    fail "$name: after a restart the player shows another picture (${shots[*]##*/})"
  cp "${shots[0]}" "$work/$name.shot"
done
for name in $kinds; do
  cmp -s "$work/$name.shot" "$work/plain.anim.shot" || fail "$name: the player shows other pixels"
done
rm -rf "$work"

[ $failures -eq 0 ] && echo "all checks passed"
exit $((failures > 0))
