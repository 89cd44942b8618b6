#!/usr/bin/env bash
# Installs what is missing, builds, and plays the show.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
cmake -S . -B build
cmake --build build -j"$(nproc)"
cd build/run
exec ./corvalis "$@"
