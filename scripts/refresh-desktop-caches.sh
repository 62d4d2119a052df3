#!/usr/bin/env bash
# Brings the MIME, desktop-entry and icon caches under PREFIX up to date after an install or an
# uninstall, so that file managers see the .anim type, the player and its icon at once. Missing
# tools are skipped: the caches are a convenience, not part of the install.
# Usage: scripts/refresh-desktop-caches.sh PREFIX
prefix=$1
share="$prefix/share"
if command -v update-mime-database >/dev/null && [ -d "$share/mime/packages" ]; then
  update-mime-database "$share/mime" || true
fi
if command -v update-desktop-database >/dev/null && [ -d "$share/applications" ]; then
  update-desktop-database -q "$share/applications" || true
fi
if command -v gtk-update-icon-cache >/dev/null && [ -f "$share/icons/hicolor/index.theme" ]; then
  gtk-update-icon-cache -q -t "$share/icons/hicolor" || true
fi
exit 0
