#!/usr/bin/env bash
# Installs the Debian packages Vantorel needs, only those not yet installed.
#   install-deps.sh        everything that building and testing every part needs (make test)
#   install-deps.sh demo   only what building and playing the demo needs (make demo)
# As root it runs apt-get itself, otherwise through sudo when that works without a password;
# failing both it prints the exact apt-get line to run and stops.
set -euo pipefail

profile=${1:-all}
case "$profile" in
  all|demo) ;;
  -h|--help) sed -n '2,6p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
  *) echo "install-deps: unknown profile '$profile' (expected 'demo' or nothing)" >&2; exit 2 ;;
esac

# The demo: the two players (SDL2 window, OSMesa off-screen) and xdotool to tell a usable display.
packages=(
  build-essential cmake pkg-config            # compiler and build
  libosmesa6-dev libgl-dev libsdl2-dev        # headless (OSMesa) and desktop (SDL2 + GL) hosts
  libpng-dev                                  # PNG snapshots and animtool
  zlib1g-dev libzstd-dev libdeflate-dev       # gzip- and zstd-compressed .anim files
  xdotool                                     # whether the display can take a window
)
[ "$profile" = all ] && packages+=(
  libgtest-dev libbenchmark-dev               # tests and benchmarks
  xvfb xauth                                  # desktop player tests under a virtual X server
  zstd                                        # compressed files made by the tests
  clang libclang-rt-14-dev                    # fuzz targets (libFuzzer)
  libfreetype-dev fonts-dejavu-core           # caption font generator and its reproduction test
  ffmpeg                                      # animtool's raw-video pipes, tested both ways
  libavformat-dev libavcodec-dev libswscale-dev libavutil-dev  # animtool encode/export
  libwebp-dev                                 # animtool: animated WebP in (and in the tests)
  g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix googletest zip  # Windows cross builds
  libz-mingw-w64-dev                          #   and their gzip-compressed .anim files
  nsis icoutils                               # Windows installer and program icon
  wine wine64                                 # Windows tests (64-bit only: never wine32 or i386)
  desktop-file-utils shared-mime-info         # install tests: desktop entry, MIME type
  xdg-utils libglib2.0-bin                    #   and xdg-mime's file-type query (through gio)
  mandoc groff-base dpkg-dev                  # manual page lint, .deb dependencies (shlibdeps)
  doxygen                                     # the library's API reference (make docs) and its check
  lintian                                     # the .debs checked against Debian policy
  python3-numpy python3-pil python3-pytest    # the Python package (vantorel) and its tests,
  python3-setuptools python3-wheel python3-venv  #   pip-installed offline into a venv
  emscripten chromium                         # the browser build and its tests in headless Chromium
)
# npm drives the browser tests' one package; a machine whose node came with npm keeps its own.
[ "$profile" = all ] && ! command -v npm >/dev/null && packages+=(npm)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

# The browser tests' driver (playwright-core, no browser of its own: they use Debian's chromium),
# exactly as the lockfile pins it, from the npm registry only.
web_tests() {
  local dir
  dir="$(cd "$(dirname "$0")/.." && pwd)/tests/web"
  [ -f "$dir/node_modules/playwright-core/package.json" ] && return 0
  echo "install-deps: npm ci in tests/web"
  (cd "$dir" && PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --no-audit --no-fund --ignore-scripts)
}

# zstd's decompressor for the Windows builds (Debian ships no MinGW libzstd): the source of Debian's
# own libzstd, fetched with apt through a private configuration (the machine's sources and lists
# are left alone; apt checks the hashes) and unpacked into the cache below, where CMake finds it.
# Without it the Windows programs refuse zstd-compressed files with a message.
zstd_cache="${XDG_CACHE_HOME:-$HOME/.cache}/vantorel"
zstd_source() {
  local dir="$zstd_cache/zstd-source" apt="$zstd_cache/zstd-apt" version tarball
  [ -f "$dir/lib/zstd.h" ] && return 0
  command -v apt-get >/dev/null && [ -f /etc/apt/sources.list.d/debian.sources ] || {
    echo "install-deps: no apt sources to fetch zstd's source from; Windows builds will refuse zstd files" >&2
    return 0
  }
  mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial" "$apt/download"
  sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources >"$apt/src.sources"
  local opts=(-o "Dir::Etc::SourceList=$apt/src.sources" -o Dir::Etc::SourceParts=/dev/null
              -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt/cache")
  echo "install-deps: fetching the source of Debian's libzstd (Windows builds' zstd decoder)"
  apt-get "${opts[@]}" -qq update >/dev/null 2>&1 || true
  # The candidate first; a mirror that lacks it (security updates) may still hold an older one.
  for version in "" $(apt-cache "${opts[@]}" showsrc libzstd 2>/dev/null |
                      sed -n 's/^Version: //p' | sort -rV); do
    (cd "$apt/download" && apt-get "${opts[@]}" -qq source --download-only \
       "libzstd${version:+=$version}" >/dev/null 2>&1) && break
    rm -f "$apt/download"/*
  done
  tarball=$(ls "$apt/download"/libzstd_*.orig.tar.* 2>/dev/null | head -1)
  if [ -z "$tarball" ]; then
    echo "install-deps: could not fetch zstd's source; Windows builds will refuse zstd files" >&2
    return 0
  fi
  rm -rf "$dir.new" && mkdir -p "$dir.new"
  tar -xf "$tarball" -C "$dir.new" --strip-components=1 && rm -rf "$dir" && mv "$dir.new" "$dir"
  rm -rf "$apt"
}
[ "$profile" = all ] && zstd_source

if [ ${#missing[@]} -eq 0 ]; then
  [ "$profile" = all ] && web_tests
  exit 0
fi

line="apt-get install -y --no-install-recommends ${missing[*]}"
echo "install-deps: installing ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then
  runner=()
elif command -v sudo >/dev/null && sudo -n true 2>/dev/null; then
  runner=(sudo)
else
  echo "install-deps: not root and no password-less sudo; please run:" >&2
  echo "  sudo apt-get update && sudo $line" >&2
  exit 1
fi
export DEBIAN_FRONTEND=noninteractive
"${runner[@]}" apt-get update -qq
"${runner[@]}" $line
[ "$profile" = all ] && web_tests
exit 0
