#!/bin/sh
# Runs the screen test executable ($1) on a private X server of 1280x1024
# pixels; skips (exit 77) when xvfb-run is not installed.
set -u
if ! command -v xvfb-run >/dev/null 2>&1; then
  echo "screen test skipped: xvfb-run is not installed (Debian package xvfb)"
  exit 77
fi
unset QT_QPA_PLATFORM WAYLAND_DISPLAY
# xvfb-run passes its authority file's path to the X server unquoted, so it
# runs with /tmp as its temporary folder; the test gets back the one it was
# given (which may be long and hold blanks).
KOR2_TEST_TMPDIR=${TMPDIR:-/tmp} TMPDIR=/tmp \
  exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" \
  sh -c 'TMPDIR=$KOR2_TEST_TMPDIR exec "$@"' sh "$@"
