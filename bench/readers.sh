#!/usr/bin/env bash
# Start-up bench: tessera-cli (both readings at once in reader processes,
# database, compliance, report) against glxinfo for the same two drivers,
# and one reading against one glxinfo, in one hyperfine invocation on the
# private Xvfb.  Prints the medians, their ratios and the peak memory.
#
#   bench/readers.sh            # builds build/release first
#   RUNS=20 bench/readers.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build/release}
runs=${RUNS:-10}

"$root/scripts/deps"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSERA_TESTS=OFF \
  -DTESSERA_BENCH=OFF >/dev/null
cmake --build "$build" -j2 --target tessera-cli tessera-reader >/dev/null

# shellcheck source=../scripts/xvfb-env
. "$root/scripts/xvfb-env"
tessera_start_xvfb

cli="$build/bin/tessera-cli"
pair="sh -c 'glxinfo -l >/dev/null; __GLX_VENDOR_LIBRARY_NAME=mesa LIBGL_ALWAYS_SOFTWARE=1 GALLIUM_DRIVER=softpipe glxinfo -l >/dev/null'"
json=$(mktemp)
trap 'rm -f "$json"; tessera_stop_xvfb' EXIT

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

python3 - "$json" "$mem_cli" "$mem_pair" "$mem_one" "$mem_glxinfo" <<'PY'
import json, sys
results = {r["command"]: r for r in json.load(open(sys.argv[1]))["results"]}
mem = dict(zip(["tessera-cli", "glxinfo pair", "tessera-cli --renderer 1", "glxinfo"], sys.argv[2:]))
print()
print(f"{'command':28} {'median s':>9} {'min s':>7} {'max s':>7} {'peak KiB':>9}")
for name, r in results.items():
    print(f"{name:28} {r['median']:9.3f} {r['min']:7.3f} {r['max']:7.3f} {mem[name]:>9}")
both = results["tessera-cli"]["median"] / results["glxinfo pair"]["median"]
one = results["tessera-cli --renderer 1"]["median"] / results["glxinfo"]["median"]
print()
print(f"tessera-cli / glxinfo pair         = {both:.2f}  (target <= 0.60)")
print(f"tessera-cli --renderer 1 / glxinfo = {one:.2f}  (target <= 1.00)")
PY
