#!/usr/bin/env bash
# The Windows SDK zip as a user gets it, on the virtual X server that scripts/windows-test.sh
# starts:   e2e_sdk_win32_test.sh BUILD_DIR SOURCE_DIR
# The zip is unpacked into a temporary folder and tests/sdk's programs are cross-built against it
# alone: through its CMake package (C++ and C) and as C99 with the compiler line of its pkg-config
# file. Each runs under wine, saves its third frame as a BMP screenshot and ends; the pictures'
# pixels are checked (background, box, a line of text in the built-in font). Every one-file
# example in the zip is built against it too, and the recording example is run; its file is read
# back with the Linux build's animtool.
set -uo pipefail

build=$1
source=$2
linux_build=${3:-}
zip="$build/vantorel-sdk-win64.zip"
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
[ -f "$zip" ] || { echo "FAIL: $zip missing" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$work" && cmake -E tar xf "$zip") || { echo "FAIL: cannot unpack $zip" >&2; exit 1; }
sdk="$work/vantorel-sdk-win64"
for f in include/vantorel/vantorel.h lib/libvantorel.a lib/libvantorel-win32.a \
         lib/cmake/Vantorel/VantorelConfig.cmake lib/pkgconfig/vantorel-win32.pc LICENSE.txt \
         README.txt; do
  [ -f "$sdk/$f" ] || fail "$f is not in the zip"
done
ls "$sdk"/examples/*.c* >/dev/null 2>&1 || fail "no example sources in the zip"
grep -q $'\r$' "$sdk/LICENSE.txt" || fail "LICENSE.txt has no CR LF line ends"
cmp -s <(tr -d '\r' <"$sdk/LICENSE.txt") "$source/LICENSE" || fail "LICENSE.txt is not the licence"
# The players' zip names the licence too.
cmake -E tar tf "$build/vantorel-win64.zip" | grep -qx LICENSE.txt ||
  fail "vantorel-win64.zip has no LICENSE.txt"

# A user's own toolchain file: the compilers and nothing else.
cat >"$work/toolchain.cmake" <<'EOF'
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
EOF
mkdir "$work/project"
cp "$source"/tests/sdk/CMakeLists.txt "$source"/tests/sdk/hello.c "$source"/tests/sdk/hello.cpp \
   "$work/project/"
if ! cmake -S "$work/project" -B "$work/build" -DCMAKE_TOOLCHAIN_FILE="$work/toolchain.cmake" \
     -DCMAKE_PREFIX_PATH="$sdk" -DVANTOREL_BACKEND=win32 -DCMAKE_BUILD_TYPE=Release \
     >"$work/configure.log" 2>&1; then
  fail "configuring against the SDK failed: $(cat "$work/configure.log")"
elif ! cmake --build "$work/build" -j 2 >"$work/build.log" 2>&1; then
  fail "building against the SDK failed: $(cat "$work/build.log")"
fi

flags=$(PKG_CONFIG_LIBDIR="$sdk/lib/pkgconfig" PKG_CONFIG_PATH= pkg-config --cflags --libs vantorel-win32)
# shellcheck disable=SC2086  # the flags are separate words
x86_64-w64-mingw32-gcc-posix -std=c99 -pedantic -Wall -Wextra -Werror "$source/tests/sdk/hello.c" \
  -o "$work/hello_pc.exe" -static $flags 2>"$work/cc.log" || fail "pkg-config build failed: $(cat "$work/cc.log")"

# The colour at (x, y), top-left origin, of a 24-bit BMP as RRGGBB in hex.
pixel() {
  local file=$1 x=$2 y=$3 offset width height row b g r
  offset=$(od -An -tu4 -j10 -N4 "$file" | tr -d ' ')
  width=$(od -An -td4 -j18 -N4 "$file" | tr -d ' ')
  height=$(od -An -td4 -j22 -N4 "$file" | tr -d ' ')
  row=$(((width * 3 + 3) / 4 * 4))
  read -r b g r < <(od -An -tu1 -j$((offset + (height - 1 - y) * row + 3 * x)) -N3 "$file")
  printf '%02X%02X%02X' "$r" "$g" "$b"
}
# Pixels of rows y0..y1-1, columns x0..x1-1 whose three channels are all above 0xC0.
white_pixels() {
  local file=$1 x0=$2 x1=$3 y0=$4 y1=$5 offset height row y count=0 n
  offset=$(od -An -tu4 -j10 -N4 "$file" | tr -d ' ')
  height=$(od -An -td4 -j22 -N4 "$file" | tr -d ' ')
  row=$((($(od -An -td4 -j18 -N4 "$file" | tr -d ' ') * 3 + 3) / 4 * 4))
  for ((y = y0; y < y1; y++)); do
    n=$(od -An -v -tu1 -j$((offset + (height - 1 - y) * row + 3 * x0)) -N$((3 * (x1 - x0))) "$file" |
        tr -s ' ' '\n' | grep -v '^$' | paste - - - | awk '$1 > 192 && $2 > 192 && $3 > 192' | wc -l)
    count=$((count + n))
  done
  echo $count
}

check_picture() {
  local name=$1 exe=$2 shot="$work/$1.bmp" p
  [ -f "$exe" ] || { fail "$name: $exe was not built"; return; }
  rm -f "$shot"
  (cd "$work" && timeout 120 wine "$exe" "$name.bmp" </dev/null >/dev/null 2>&1)
  local status=$?
  [ $status -eq 0 ] || fail "$name exited with $status"
  [ -f "$shot" ] || { fail "$name saved no screenshot"; return; }
  [ "$(od -An -td4 -j18 -N8 "$shot" | tr -s ' ')" = " 320 240" ] || fail "$name: not 320x240"
  for at in "5 5 102060" "310 230 102060" "240 70 FF8000" "201 41 FF8000" "198 70 102060"; do
    set -- $at
    p=$(pixel "$shot" "$1" "$2")
    [ "$p" = "$3" ] || fail "$name: pixel ($1, $2) is $p, not $3"
  done
  local text stray
  text=$(white_pixels "$shot" 20 180 140 175)
  stray=$(white_pixels "$shot" 0 320 180 240)
  [ "$text" -gt 60 ] || fail "$name: the line of text is missing ($text white pixels)"
  [ "$stray" -eq 0 ] || fail "$name: $stray white pixels below the text"
}

check_picture cmake_cpp "$work/build/hello_cpp.exe"
check_picture cmake_c "$work/build/hello_c.exe"
check_picture pkgconfig_c "$work/hello_pc.exe"

# Every one-file example in the zip builds against it alone with the pkg-config line (the
# gallery, our showcase, also writes PNG files through libpng and is left out).
for src in "$sdk"/examples/*.c "$sdk"/examples/*.cpp; do
  name=$(basename "${src%.*}")
  [ "$name" = gallery ] && continue
  case $src in
    *.c) compile=(x86_64-w64-mingw32-gcc-posix -std=c99) ;;
    *) compile=(x86_64-w64-mingw32-g++-posix -std=c++17) ;;
  esac
  # shellcheck disable=SC2086
  "${compile[@]}" -Wall -Wextra "$src" -o "$work/example-$name.exe" -static $flags \
    2>"$work/$name.log" || fail "example $name does not build against the zip: $(cat "$work/$name.log")"
done

# The recording example run under wine: once it says the file is complete, the recording holds
# its 90 frames of the 320x240 box (read back by the Linux animtool), and the program is ended.
record="$work/example-record_anim.exe"
if [ ! -x "$linux_build/animtool" ]; then
  fail "no Linux build with animtool given (third argument) to read the recording back"
elif [ -f "$record" ]; then
  (cd "$work" && exec wine "$record" bounce.anim </dev/null >"$work/record.out" 2>/dev/null) &
  pid=$!
  for _ in $(seq 1 240); do
    grep -q '^Recorded 90 frames' "$work/record.out" 2>/dev/null && break
    kill -0 $pid 2>/dev/null || break
    sleep 0.5
  done
  kill $pid 2>/dev/null
  wait $pid 2>/dev/null
  grep -q '^Recorded 90 frames into bounce.anim' "$work/record.out" ||
    fail "the recording example did not finish: $(cat "$work/record.out")"
  info=$("$linux_build/animtool" info "$work/bounce.anim" 2>&1)
  echo "$info" | grep -q 'frames: *90\b' || fail "the recording has not 90 frames: $info"
  echo "$info" | grep -q '320x240' || fail "the recording's extent is not 320x240: $info"
fi

[ $failures -eq 0 ] || exit 1
echo "e2e_sdk_win32: the SDK zip builds and runs the programs"
