#!/usr/bin/env bash
# The program's own memory (RssAnon from /proc/<pid>/status; the shared libraries and fonts
# GTK maps are not counted): idle after start-up, then with 100,000 imported addresses
# (about 3 MB) chosen in the real file dialog with xdotool.
# Usage: bench/shell_memory.sh [program]   (default build/app/brimlow)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
program=$(realpath "${1:-$root/build/app/brimlow}")
[[ -x "$program" ]] || { echo "No program at $program" >&2; exit 1; }
if [[ -z "${BRIMLOW_BENCH_INNER:-}" ]]; then
  export BRIMLOW_BENCH_INNER=1 GSETTINGS_BACKEND=memory
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$program"
fi

work=$(mktemp -d)
list=$work/list.txt
python3 -c "import sys; sys.stdout.write(','.join('http://host%d.example.com/' % i for i in range(100000)))" > "$list"
(cd "$work" && exec "$program") &
pid=$!
cleanup() { kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT

rss_anon() { awk '/^RssAnon:/ { printf "%.1f MiB\n", $2 / 1024 }' "/proc/$pid/status"; }
windows() { xdotool search --onlyvisible --pid "$pid" 2>/dev/null || true; }
wait_windows() {
  for _ in $(seq 1 100); do
    [[ $(windows | wc -l) -eq $1 ]] && return 0
    sleep 0.1
  done
  echo "expected $1 window(s), have: $(windows | tr "\n" " ")" >&2
  xwd -root -silent | convert xwd:- /tmp/shell_memory_fail.png
  exit 1
}

wait_windows 1
window=$(windows | head -n 1)
sleep 2
echo "idle:              RssAnon $(rss_anon)"

xdotool windowfocus --sync "$window"
xdotool mousemove --window "$window" 285 24 click 1   # 导入
wait_windows 2
dialog=$(windows | grep -v "^$window\$" | head -n 1)
sleep 0.5
xdotool windowfocus --sync "$dialog"
xdotool type --delay 20 "$list"
sleep 0.5
xdotool key Return
wait_windows 1
sleep 2
echo "100,000 addresses: RssAnon $(rss_anon)"
