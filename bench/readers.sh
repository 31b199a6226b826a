#!/usr/bin/env bash
# Start-up bench: tessera-cli (both readings at once in reader processes,
# database, compliance, report) against glxinfo for the same two drivers,
# and one reading against one glxinfo, in one hyperfine invocation on the
# private Xvfb.  Prints the medians, their ratios and the peak memory.
#
#   bench/readers.sh            # builds build/release first
#   RUNS=20 bench/readers.sh
set -euo pipefail
# shellcheck source-path=SCRIPTDIR source=common.sh
. "$(dirname "$0")/common.sh"
bench_build tessera-cli tessera-reader
bench_xvfb

cli="$build/bin/tessera-cli"
pair="sh -c 'glxinfo -l >/dev/null; __GLX_VENDOR_LIBRARY_NAME=mesa LIBGL_ALWAYS_SOFTWARE=1 GALLIUM_DRIVER=softpipe glxinfo -l >/dev/null'"
json=$bench_tmp/hyperfine.json

hyperfine -N --warmup 2 --runs "$runs" --export-json "$json" \
  -n "tessera-cli" "$cli" \
  -n "glxinfo pair" "$pair" \
  -n "tessera-cli --renderer 1" "$cli --renderer 1" \
  -n "glxinfo" "glxinfo -l"

# Peak resident memory of the largest process of each command (GNU time).
peak() { /usr/bin/time -v "$@" 2>&1 >/dev/null | awk -F': ' '/Maximum resident/ {print $2}'; }
mem_cli=$(peak "$cli")
mem_pair=$(peak sh -c 'glxinfo -l >/dev/null; __GLX_VENDOR_LIBRARY_NAME=mesa LIBGL_ALWAYS_SOFTWARE=1 GALLIUM_DRIVER=softpipe glxinfo -l >/dev/null')
mem_one=$(peak "$cli" --renderer 1)
mem_glxinfo=$(peak glxinfo -l)

bench_table "$json" "tessera-cli=$mem_cli" "glxinfo pair=$mem_pair" \
  "tessera-cli --renderer 1=$mem_one" "glxinfo=$mem_glxinfo"
bench_ratio "$json" "tessera-cli" "glxinfo pair" 0.60
bench_ratio "$json" "tessera-cli --renderer 1" "glxinfo" 1.00
