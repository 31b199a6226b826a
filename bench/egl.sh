#!/usr/bin/env bash
# One EGL reading of llvmpipe against eglinfo, with no X server at all
# (DISPLAY unset): `TESSERA_PLATFORM=egl tessera-cli --renderer 1` (reader
# process, database, compliance, report) against `eglinfo`, in one hyperfine
# invocation.  Prints the medians, their ratio (target <= 1.00) and the
# load average it ran under.
#
# eglinfo 8.5.0 (Debian 12) has no option to pick a platform: it initialises
# every platform it knows (GBM, Wayland and X11 fail here at once, then the
# surfaceless and device platforms answer), and ends with status 3 when one
# failed, so its status is ignored.  tessera reads the surfaceless platform.
#
#   bench/egl.sh            # builds build/release first
#   RUNS=20 bench/egl.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build/release}
runs=${RUNS:-10}

"$root/scripts/deps"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSERA_TESTS=OFF \
  -DTESSERA_BENCH=OFF >/dev/null
cmake --build "$build" -j2 --target tessera-cli tessera-reader >/dev/null

cli="$build/bin/tessera-cli"
json=$(mktemp)
trap 'rm -f "$json"' EXIT
unset DISPLAY

echo "load before: $(uptime)"
hyperfine -N -i --warmup 2 --runs "$runs" --export-json "$json" \
  -n "tessera-cli --renderer 1 (EGL)" "env TESSERA_PLATFORM=egl $cli --renderer 1" \
  -n "eglinfo" "eglinfo"
echo "load after: $(uptime)"

python3 - "$json" <<'PY'
import json, sys
results = {r["command"]: r for r in json.load(open(sys.argv[1]))["results"]}
print()
print(f"{'command':32} {'median s':>9} {'min s':>7} {'max s':>7}")
for name, r in results.items():
    print(f"{name:32} {r['median']:9.3f} {r['min']:7.3f} {r['max']:7.3f}")
ratio = results["tessera-cli --renderer 1 (EGL)"]["median"] / results["eglinfo"]["median"]
print()
print(f"tessera-cli --renderer 1 (EGL) / eglinfo = {ratio:.2f}  (target <= 1.00)")
PY
