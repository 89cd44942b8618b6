#!/usr/bin/env bash
# Builds the fuzz targets with clang's libFuzzer, AddressSanitizer and UndefinedBehaviorSanitizer:
#   fuzz/build.sh [OUT]   (default: build-fuzz beside fuzz/)
# Each target is compiled from the few sources it needs, not from the whole project.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
out="${1:-$root/build-fuzz}"
mkdir -p "$out"
cxx="${CXX_FUZZ:-clang++}"
flags=(-std=c++17 -g -O1 -fno-omit-frame-pointer -fsanitize=fuzzer,address,undefined
       -fno-sanitize-recover=undefined -Wall -Wextra -Werror -I"$root/src")

# The PPM reader: its file and the volumes it names, with a stand-in for its one GL call.
"$cxx" "${flags[@]}" -o "$out/fuzz_ppm" "$root/fuzz/ppm_fuzz.cpp" "$root/fuzz/gl_stub.cpp" \
  "$root/src/image/ppm.cpp" "$root/src/platform/volumes.cpp" &
# The port receiver's intake of one connection: the record check and the guard time.
"$cxx" "${flags[@]}" -o "$out/fuzz_port_intake" "$root/fuzz/port_intake_fuzz.cpp" \
  "$root/src/platform/ports_record.cpp" "$root/src/platform/ports_socket.cpp" "$root/src/platform/ports_dir.cpp" &
wait -n
wait -n
echo "fuzz targets in $out: fuzz_ppm fuzz_port_intake"
