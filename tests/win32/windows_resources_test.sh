#!/usr/bin/env bash
# The Windows programs' resources, read back from the built files with icoutils' wrestool:
#   windows_resources_test.sh BUILD_DIR VERSION PROGRAM.exe...
# Each program carries one icon group with every size (16, 32, 48, 256), the version information
# (product, description, the project's version, the licence) and its manifest (system DPI aware,
# run as the invoker, common controls 6).
set -uo pipefail

build=$1
version=$2
shift 2
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

for program in "$@"; do
  exe="$build/$program"
  [ -f "$exe" ] || { fail "$exe missing"; continue; }
  wrestool -l "$exe" >"$work/list" 2>&1 || fail "$program: no resource table"
  grep -q -- '--type=14 --name=1 ' "$work/list" || fail "$program: no icon group 1"
  grep -q -- '--type=16 ' "$work/list" || fail "$program: no version information"
  grep -q -- '--type=24 --name=1 ' "$work/list" || fail "$program: no manifest"

  wrestool -x --type=14 --name=1 "$exe" >"$work/icon.ico" 2>/dev/null
  sizes=$(icotool -l "$work/icon.ico" 2>/dev/null | sed -n 's/.*--width=\([0-9]*\).*/\1/p' | sort -n | tr '\n' ' ')
  [ "$sizes" = "16 32 48 256 " ] || fail "$program: icon sizes '$sizes'"

  # The strings are UTF-16 on 32-bit boundaries: decoded whole, each comes out on its own.
  wrestool -x -R --type=16 "$exe" 2>/dev/null | iconv -f UTF-16LE -t UTF-8 -c |
    tr -c '[:print:]' '\n' | grep -v '^$' >"$work/strings"
  for pair in "ProductName=Vantorel" "FileVersion=$version" "ProductVersion=$version" \
              "OriginalFilename=$program"; do
    grep -A1 -x "${pair%%=*}" "$work/strings" | tail -1 | grep -qx "${pair#*=}" ||
      fail "$program: ${pair%%=*} is not '${pair#*=}'"
  done
  grep -A1 -x LegalCopyright "$work/strings" | tail -1 | grep -q "zlib licence" ||
    fail "$program: the copyright does not name the licence"
  [ -n "$(grep -A1 -x FileDescription "$work/strings" | tail -1)" ] || fail "$program: no description"

  wrestool -x -R --type=24 --name=1 "$exe" >"$work/manifest" 2>/dev/null
  grep -q '<dpiAwareness[^>]*>system</dpiAwareness>' "$work/manifest" &&
    grep -q '<dpiAware[^>]*>true</dpiAware>' "$work/manifest" || fail "$program: not system DPI aware"
  grep -q 'level="asInvoker"' "$work/manifest" || fail "$program: execution level"
  grep -q 'name="Microsoft.Windows.Common-Controls" version="6.0.0.0"' "$work/manifest" ||
    fail "$program: no common controls 6"
done

[ $failures -eq 0 ] && echo "all checks passed"
exit $((failures > 0))
