#!/usr/bin/env bash
# Starts Brimlow on a virtual screen and writes a PNG of its main window.
# Usage: scripts/screenshot.sh [output.png] [program]
#   output  defaults to brimlow-window.png in the current folder
#   program defaults to build/app/brimlow
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
output=${1:-brimlow-window.png}
program=${2:-$root/build/app/brimlow}
[[ -x "$program" ]] || { echo "No program at $program (build first: scripts/build.sh)" >&2; exit 1; }

if [[ -z "${BRIMLOW_SCREENSHOT_INNER:-}" ]]; then
  # Re-run inside a fresh virtual screen.
  export BRIMLOW_SCREENSHOT_INNER=1 GSETTINGS_BACKEND=memory
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$output" "$program"
fi

work=$(mktemp -d)
"$program" &
pid=$!
cleanup() { kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT

window=""
for _ in $(seq 1 100); do
  window=$(xdotool search --onlyvisible --class '^Brimlow$' 2>/dev/null | head -n 1 || true)
  [[ -n "$window" ]] && break
  sleep 0.1
done
[[ -n "$window" ]] || { echo "The window did not appear" >&2; exit 1; }
sleep 1  # let the first paint finish
xwd -silent -id "$window" -out "$work/window.xwd"
convert "$work/window.xwd" "$output"
echo "Wrote $output"
