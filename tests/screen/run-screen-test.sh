#!/bin/sh
# Runs the screen test executable ($1) on a private X server of 1280x1024
# pixels; skips (exit 77) when xvfb-run is not installed.
set -u
if ! command -v xvfb-run >/dev/null 2>&1; then
  echo "screen test skipped: xvfb-run is not installed (Debian package xvfb)"
  exit 77
fi
unset QT_QPA_PLATFORM WAYLAND_DISPLAY
exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" "$@"
