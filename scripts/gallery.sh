#!/usr/bin/env bash
# Shows the gallery of the library's 3D drawing. With a display: in a window (arrows turn the
# view, B toggles the blur, Q or Escape quits). Without one: draws it off-screen into
# <build>/gallery.png.
set -euo pipefail
build=$(cd "${1:-build}" && pwd)

have_display() {
  [ -n "${WAYLAND_DISPLAY:-}" ] && return 0
  [ -n "${DISPLAY:-}" ] && command -v xdotool >/dev/null && xdotool getdisplaygeometry >/dev/null 2>&1
}

if [ -x "$build/vantorel-gallery" ] && have_display; then
  echo "The gallery in a window: arrows turn the view, B toggles the blur, Q or Escape quits."
  exec "$build/vantorel-gallery"
fi

out="$build/gallery.png"
echo "No display: drawing the gallery off-screen..."
"$build/vantorel-gallery-headless" -o "$out"
echo "Picture: $out"
