#!/bin/sh
# The program's window closed by real X key events ("Datei", "Beenden") on a
# private X server: the run had its own temporary folder while it ran and
# leaves nothing in the temporary folder when it ends.
# Arguments: the program, the source folder. Exit 77 (skipped) without
# xvfb-run or xdotool.
set -u
kor2=$1
source=$2
for tool in xvfb-run xdotool; do
  if ! command -v $tool >/dev/null 2>&1; then
    echo "skipped: $tool is not installed (Debian packages xvfb, xdotool)"
    exit 77
  fi
done
if [ -z "${KOR2_ON_XVFB:-}" ]; then
  # xvfb-run passes its authority file's path to the X server unquoted, so
  # it runs with /tmp as its temporary folder; the test gets back the one it
  # was given (which may be long and hold blanks).
  KOR2_TEST_TMPDIR=${TMPDIR:-/tmp} TMPDIR=/tmp KOR2_ON_XVFB=1 \
    exec xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp" sh "$0" "$@"
fi
export TMPDIR="${KOR2_TEST_TMPDIR:-/tmp}"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/temp" "$work/config" "$work/run" "$work/xdg"
chmod 700 "$work/xdg"
# The demo spring whose material comes from the table: its index is built
# in the temporary folder at start.
cp "$source/data/TRAIN/muster2.kr2" "$work/run/s.kr2"
cd "$work/run"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY TEMP
TMPDIR="$work/temp" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/xdg" \
  "$kor2" s.kr2 /NOGUI >"$work/out" 2>&1 &
pid=$!
window=$(xdotool search --sync --onlyvisible --pid $pid --name KOR2 | head -n 1)
during=$(ls "$work/temp")
case "$during" in
  kor2-*) ;;
  *) echo "no temporary folder of the run while it runs: [$during]"; kill $pid; exit 1 ;;
esac
xdotool windowfocus --sync "$window"
# "b" goes to the Datei menu once its popup shows (one visible window more);
# on a busy machine it may show late. Bounded at about 60 s.
windows() { xdotool search --onlyvisible --pid $pid --class '' 2>/dev/null | wc -l; }
before=$(windows)
xdotool key alt+d
tries=0
while [ "$(windows)" -le "$before" ]; do
  tries=$((tries + 1))
  if [ $tries -gt 600 ]; then
    echo "the Datei menu did not open"
    kill $pid
    exit 1
  fi
  sleep 0.1
done
xdotool key b
wait $pid
rc=$?
left=$(ls -A "$work/temp")
if [ $rc -ne 0 ] || [ -n "$left" ]; then
  echo "exit code $rc, left in the temporary folder: [$left]"
  cat "$work/out"
  exit 1
fi
echo "window closed, temporary folder empty"
