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
# shellcheck source-path=SCRIPTDIR source=common.sh
. "$(dirname "$0")/common.sh"
if [ -z "${BUILD_DIR:-}" ]; then
  bench_build tessera-cli tessera-reader
fi
bench_xvfb

cli="$build/bin/tessera-cli"
data=$bench_tmp/data
json=$bench_tmp/hyperfine.json
mkdir "$data"
export XDG_DATA_HOME="$data"

# The document must be whole before it is timed.
"$cli" --no-save --json | python3 -c 'import json, sys; d = json.load(sys.stdin); assert len(d["readings"]) == 2, "not both readings"'

hyperfine -N --warmup 2 --runs "$runs" --export-json "$json" \
  -n "plain report" "$cli --no-save" \
  -n "json, both readings" "$cli --no-save --json"

bench_table "$json"
bench_ratio "$json" "json, both readings" "plain report" 1.05
