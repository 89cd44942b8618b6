#!/usr/bin/env bash
# Installs what is missing, builds with warnings as errors, and runs every test (under Xvfb
# when there is no display).
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
cmake -S . -B build -DCORVALIS_WERROR=ON
cmake --build build -j"$(nproc)"
cd build
if [ -z "${DISPLAY:-}" ]; then
  # -noreset: the server must not reset between two tests, when its last client has left.
  exec xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" ctest --output-on-failure -j2 "$@"
fi
exec ctest --output-on-failure -j2 "$@"
