#!/usr/bin/env bash
# Installs what is missing, builds and runs every test with CTest.
# Extra arguments go to ctest, e.g. ./test.sh -L unit  or  ./test.sh -R TextFind
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
scripts/build.sh
export GSETTINGS_BACKEND=memory
ctest_cmd=(ctest --test-dir build --output-on-failure -j "$(nproc)" "$@")
if [[ -z "${DISPLAY:-}" ]]; then
  # The window tests need a display; one virtual screen serves the whole run.
  exec xvfb-run -a -s "-screen 0 1024x768x24" "${ctest_cmd[@]}"
fi
exec "${ctest_cmd[@]}"
