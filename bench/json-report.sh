#!/usr/bin/env bash
# What the JSON document costs: tessera-cli --json (both readings in one
# document) against the plain report, in one hyperfine invocation on the
# private Xvfb.  Both commands read both renderers; neither writes the
# database back, and both start from the shipped database (an empty data
# folder), so that every run does the same work.  Prints the medians and
# their ratio, and the ratio of the mean processor time (user + system of
# the command and its reader processes), which a machine busy with other
# work disturbs less than the wall-clock time.
#
#   bench/json-report.sh             # builds build/release first
#   RUNS=20 BUILD_DIR=build/debug bench/json-report.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build/release}
runs=${RUNS:-10}

if [ -z "${BUILD_DIR:-}" ]; then
  "$root/scripts/deps"
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSERA_TESTS=OFF \
    -DTESSERA_BENCH=OFF >/dev/null
  cmake --build "$build" -j2 --target tessera-cli tessera-reader >/dev/null
fi

# shellcheck source=../scripts/xvfb-env
. "$root/scripts/xvfb-env"
tessera_start_xvfb

cli="$build/bin/tessera-cli"
data=$(mktemp -d)
json=$(mktemp)
trap 'rm -rf "$data" "$json"; tessera_stop_xvfb' EXIT
export XDG_DATA_HOME="$data"

# The document must be whole before it is timed.
"$cli" --no-save --json | python3 -c 'import json, sys; d = json.load(sys.stdin); assert len(d["readings"]) == 2, "not both readings"'

hyperfine -N --warmup 2 --runs "$runs" --export-json "$json" \
  -n "plain report" "$cli --no-save" \
  -n "json, both readings" "$cli --no-save --json"

python3 - "$json" <<'PY'
import json, sys
results = {r["command"]: r for r in json.load(open(sys.argv[1]))["results"]}
print()
print(f"{'command':26} {'median s':>9} {'min s':>7} {'max s':>7} {'cpu s':>7}")
for name, r in results.items():
    print(f"{name:26} {r['median']:9.3f} {r['min']:7.3f} {r['max']:7.3f} {r['user'] + r['system']:7.3f}")
ratio = results["json, both readings"]["median"] / results["plain report"]["median"]
print()
cpu = lambda r: r["user"] + r["system"]
print(f"--json / plain report (ratio of medians) = {ratio:.3f}  (target <= 1.05)")
print(f"--json / plain report (processor time)   = "
      f"{cpu(results['json, both readings']) / cpu(results['plain report']):.3f}")
PY
