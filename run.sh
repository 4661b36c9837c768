#!/usr/bin/env bash
# Installs what is missing, builds and starts Brimlow (under Xvfb when there is no display).
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
scripts/build.sh
program=build/app/brimlow
if [[ -z "${DISPLAY:-}" ]]; then
  echo "No DISPLAY: starting Brimlow on a virtual screen (xvfb-run)."
  export GSETTINGS_BACKEND=memory
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$program"
fi
exec "$program"
