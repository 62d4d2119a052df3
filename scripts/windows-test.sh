#!/usr/bin/env bash
# Runs the Windows tests of a 64-bit cross build under wine on a virtual X server:
#   scripts/windows-test.sh build-win64
# The wine prefix lives in the build folder and is made once (window managing off, so destroying a
# window does not wait for a window manager). One wineserver stays up for the whole run and is
# stopped at the end, whatever the outcome. The installer's test keeps to a prefix and a server of
# its own (tests/win32/e2e_installer_win32_test.sh), so installing never touches this prefix.
set -euo pipefail

build=$(cd "${1:-build-win64}" && pwd)
export WINEPREFIX="$build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export WINEARCH=win64

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "windows-test: creating the wine prefix in $WINEPREFIX"
  DISPLAY= wineboot -i >/dev/null 2>&1 || true
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  wineserver -w
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "windows-test: wine could not create its prefix" >&2
    exit 1
  fi
  # Untouched yet: the installer's test copies it for each run instead of making one of its own.
  rm -rf "$build/wineprefix-clean"
  cp -a "$WINEPREFIX" "$build/wineprefix-clean"
fi

# Inside the virtual X server: a persistent wineserver and one finished wine process first, so
# that ctest's children do not inherit the pipes of a server started on their behalf.
if [ "${2:-}" = "--inside" ]; then
  wineserver -p
  wine cmd /c exit </dev/null >/dev/null 2>&1 &
  wait $! || true
  status=0
  (cd "$build" && ctest --output-on-failure --timeout 120 -j 2) || status=$?
  wineserver -k || true
  exit $status
fi
xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" "$0" "$build" --inside
