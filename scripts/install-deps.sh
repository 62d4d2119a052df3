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
  zlib1g-dev libzstd-dev                      # gzip- and zstd-compressed .anim files
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
