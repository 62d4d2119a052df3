#!/usr/bin/env bash
# The Windows installer under wine, on the virtual X server that scripts/windows-test.sh starts:
#   e2e_installer_win32_test.sh BUILD_DIR SETUP_NAME
# In a fresh wine prefix of its own (a copy of a clean one kept in the build folder): a silent
# per-machine install, its files, registry keys and shortcuts; demo.anim opened through the file
# association; the installed player's error log in the user's folder, not its program folder; the
# silent uninstall removing every file and key. Then a per-user install into a folder of /D= over
# another program's association, which must stay the default through install and uninstall.
set -uo pipefail

build=$(cd "$1" && pwd)
setup="$build/$2"
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
[ -f "$setup" ] || { echo "FAIL: $setup missing" >&2; exit 1; }

export WINEDEBUG=-all
export WINEARCH=win64
# No menu builder: wine would otherwise copy shortcuts and associations into the Linux desktop.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

# The clean prefix is made once (wineboot costs most of this test's time) and copied for each run,
# so every run starts from a prefix that has never seen the installer.
clean="$build/wineprefix-clean"
if [ ! -f "$clean/system.reg" ]; then
  rm -rf "$clean"
  WINEPREFIX="$clean" DISPLAY= wineboot -i </dev/null >/dev/null 2>&1
  WINEPREFIX="$clean" wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f \
    </dev/null >/dev/null 2>&1
  WINEPREFIX="$clean" wineserver -w
  [ -f "$clean/system.reg" ] || { echo "FAIL: wine could not create its prefix" >&2; exit 1; }
fi
work=$(mktemp -d)
export WINEPREFIX="$work/prefix"
cp -a "$clean" "$WINEPREFIX"
# The prefix's own server, started here so that it holds none of the caller's pipes.
wineserver -p </dev/null >/dev/null 2>&1
trap 'wineserver -k >/dev/null 2>&1; rm -rf "$work"' EXIT

w() { wine "$@" </dev/null 2>/dev/null | tr -d '\r'; }
# The data of one registry value ("" for the default value), empty when it is missing.
reg_value() {
  local key=$1 name=$2
  if [ -z "$name" ]; then
    w reg query "$key" /ve | sed -n 's/^ *(Default) *REG_[A-Z_]* *//p'
  else
    w reg query "$key" /v "$name" | sed -n "s/^ *$name *REG_[A-Z_]* *//p"
  fi
}
key_exists() { wine reg query "$1" </dev/null >/dev/null 2>&1; }
expect_value() {
  local got
  got=$(reg_value "$1" "$2")
  [ "$got" = "$3" ] || fail "$1 [${2:-default}] is '$got', expected '$3'"
}
unix_path() { w winepath -u "$1"; }
# Polls (up to about two minutes) until the command succeeds.
wait_for() {
  for _ in $(seq 240); do
    "$@" && return 0
    sleep 0.5
  done
  return 1
}
gone() { [ ! -e "$1" ]; }

drive_c="$WINEPREFIX/drive_c"
files=(vantorel.exe animtool.exe bmp2png.exe demo.anim demo_captions.txt README.txt LICENSE.txt uninstall.exe)
uninstall_key='Software\Microsoft\Windows\CurrentVersion\Uninstall\Vantorel'
our_keys=('Software\Classes\Vantorel.Animation' 'Software\Classes\Applications\vantorel.exe'
          "$uninstall_key")

# Checks one install: root is HKLM or HKCU, dir the Windows folder, links the Start-menu folder.
check_installed() {
  local root=$1 dir=$2 links=$3 mode=$4
  local udir
  udir=$(unix_path "$dir")
  for f in "${files[@]}"; do
    [ -s "$udir/$f" ] || fail "$dir\\$f not installed"
  done
  for l in "Vantorel demo.lnk" "Vantorel README.lnk"; do
    [ -s "$links/$l" ] || fail "shortcut $l missing in $links"
  done
  local exe="\"$dir\\vantorel.exe\""
  expect_value "$root\\Software\\Classes\\Vantorel.Animation" "" "Vantorel animation"
  expect_value "$root\\Software\\Classes\\Vantorel.Animation\\DefaultIcon" "" "$exe,0"
  expect_value "$root\\Software\\Classes\\Vantorel.Animation\\shell\\open\\command" "" "$exe \"%1\""
  key_exists "$root\\Software\\Classes\\.anim\\OpenWithProgids" &&
    w reg query "$root\\Software\\Classes\\.anim\\OpenWithProgids" | grep -q "Vantorel.Animation" ||
    fail "Vantorel.Animation not listed in $root .anim\\OpenWithProgids"
  expect_value "$root\\Software\\Classes\\Applications\\vantorel.exe\\shell\\open\\command" "" \
    "$exe \"%1\""
  expect_value "$root\\Software\\Classes\\Applications\\vantorel.exe\\SupportedTypes" ".anim" ""
  key_exists "$root\\Software\\Classes\\Applications\\vantorel.exe\\SupportedTypes" ||
    fail "$root Applications\\vantorel.exe\\SupportedTypes missing"
  local u="$root\\$uninstall_key"
  expect_value "$u" DisplayName "Vantorel"
  expect_value "$u" Publisher "The Vantorel developers"
  expect_value "$u" DisplayIcon "$exe,0"
  expect_value "$u" InstallLocation "$dir"
  expect_value "$u" UninstallString "\"$dir\\uninstall.exe\" /$mode"
  expect_value "$u" QuietUninstallString "\"$dir\\uninstall.exe\" /$mode /S"
  [ -n "$(reg_value "$u" DisplayVersion)" ] || fail "DisplayVersion missing"
  local size
  size=$(reg_value "$u" EstimatedSize)
  [ $((size)) -gt 100 ] 2>/dev/null || fail "EstimatedSize '$size' is not a size in KB"
}

# Checks that the uninstaller left nothing of ours (the install folder, the links, our keys).
check_removed() {
  local root=$1 dir=$2 links=$3
  local udir
  udir=$(unix_path "$dir")
  [ ! -e "$udir" ] || fail "$dir still there: $(ls "$udir")"
  [ ! -e "$links" ] || fail "$links still there"
  for k in "${our_keys[@]}"; do
    ! key_exists "$root\\$k" || fail "$root\\$k still there"
  done
  w reg query "$root\\Software\\Classes\\.anim\\OpenWithProgids" | grep -q Vantorel &&
    fail "$root .anim\\OpenWithProgids still lists Vantorel.Animation"
}

# Runs an uninstaller silently; it copies itself elsewhere and returns at once, so the end is
# the install folder going.
uninstall() {
  local dir=$1 mode=$2
  w "$dir\\uninstall.exe" "/$mode" /S >/dev/null
  wait_for gone "$(unix_path "$dir")" || fail "uninstaller did not remove $dir"
  # Its last registry writes land before it ends; let every process of the prefix finish.
  sleep 2
}

# ---- 1. Per machine, silently, into Program Files ---------------------------------------------
w "$setup" /S
status=$?
[ $status -eq 0 ] || fail "silent install exited with $status"
pf=$(w cmd /c echo %ProgramFiles%)
dir="$pf\\Vantorel"
common_links="$drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/Vantorel"
check_installed HKLM "$dir" "$common_links" AllUsers
expect_value 'HKLM\Software\Classes\.anim' "" "Vantorel.Animation"

# demo.anim through the association: the shell finds the open verb and starts the player on it.
w start "$dir\\demo.anim"
window=""
find_window() { window=$(xdotool search --onlyvisible --name '^Vantorel - demo\.anim$' 2>/dev/null | head -1); [ -n "$window" ]; }
if wait_for find_window; then
  w taskkill /im vantorel.exe >/dev/null
  wait_for eval '! xdotool search --name "^Vantorel - demo\.anim$" >/dev/null 2>&1' ||
    { fail "player did not close"; w taskkill /f /im vantorel.exe >/dev/null; }
else
  fail "opening demo.anim did not start the player on it"
fi

# The installed player's error log goes to %LOCALAPPDATA%\Vantorel, nothing beside the program.
local_app=$(unix_path "$(w cmd /c echo %LOCALAPPDATA%)")
log="$local_app/Vantorel/graphics_error.log"
wine "$dir\\vantorel.exe" 'C:\missing.anim' </dev/null >/dev/null 2>&1 &
player=$!
wait_for test -s "$log" || fail "installed player wrote no log in %LOCALAPPDATA%\\Vantorel"
grep -q "Can't open animation file 'C:\\\\missing.anim'" "$log" 2>/dev/null ||
  fail "log line: $(cat "$log" 2>/dev/null)"
for attempt in 1 2 3 4 5 6; do
  kill -0 $player 2>/dev/null || break
  box=$(xdotool search --onlyvisible --name '^Oh sod it$' 2>/dev/null | head -1)
  [ -n "$box" ] && xdotool windowfocus "$box" 2>/dev/null && xdotool key Return
  sleep 1
done
kill -0 $player 2>/dev/null && w taskkill /f /im vantorel.exe >/dev/null
wait $player
[ ! -e "$(unix_path "$dir")/graphics_error.log" ] || fail "installed player logged in its folder"

uninstall "$dir" AllUsers
check_removed HKLM "$dir" "$common_links"
! key_exists 'HKLM\Software\Classes\.anim' || fail "HKLM .anim still there"

# ---- 2. Per user into a folder of /D=, over another program's association -----------------------
w reg add 'HKCU\Software\Classes\.anim' /ve /d Other.Player /f >/dev/null
# Wine quotes an argument holding a blank, and a quoted /D= is no folder to NSIS: no blank here.
dir='C:\VT-per-user'
w "$setup" /S /CurrentUser "/D=$dir"
status=$?
[ $status -eq 0 ] || fail "per-user install exited with $status"
user_links="$(unix_path "$(w cmd /c echo %APPDATA%)")/Microsoft/Windows/Start Menu/Programs/Vantorel"
check_installed HKCU "$dir" "$user_links" CurrentUser
expect_value 'HKCU\Software\Classes\.anim' "" "Other.Player"
! key_exists 'HKLM\Software\Classes\Vantorel.Animation' || fail "per-user install wrote HKLM"
uninstall "$dir" CurrentUser
check_removed HKCU "$dir" "$user_links"
expect_value 'HKCU\Software\Classes\.anim' "" "Other.Player"

[ $failures -eq 0 ] && echo "all checks passed"
exit $((failures > 0))
