# shellcheck shell=bash disable=SC2034
# Sourced by the bench scripts: the Release build of the programs a bench
# runs, the private X server, a temporary folder removed at exit, and the
# table of hyperfine's results with the ratios of their medians.
#   BUILD_DIR  build folder (default build/release)
#   RUNS       hyperfine runs per command (default 10)
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${BUILD_DIR:-$root/build/release}
runs=${RUNS:-10}
bench_tmp=$(mktemp -d)

bench_exit() {
  rm -rf "$bench_tmp"
  if declare -F tessera_stop_xvfb >/dev/null; then tessera_stop_xvfb; fi
}
trap bench_exit EXIT

# bench_build TARGET...: installs what is missing (scripts/deps) and builds
# the targets in $build, Release, without tests and benchmarks.
bench_build() {
  "$root/scripts/deps"
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTESSERA_TESTS=OFF \
    -DTESSERA_BENCH=OFF >/dev/null
  cmake --build "$build" -j2 --target "$@" >/dev/null
}

# bench_xvfb: a private Xvfb as DISPLAY until the script exits.
bench_xvfb() {
  # shellcheck source-path=SCRIPTDIR source=../scripts/xvfb-env
  . "$root/scripts/xvfb-env"
  tessera_start_xvfb
  trap bench_exit EXIT
}

# bench_table JSON [NAME=KIB...]: the median, least and most wall time and
# the mean processor time (user + system) of each command of hyperfine's
# JSON export; with NAME=KIB pairs also a peak-memory column.
bench_table() {
  python3 - "$@" <<'PY'
import json, sys
results = json.load(open(sys.argv[1]))["results"]
peak = dict(pair.split("=", 1) for pair in sys.argv[2:])
width = max(len(r["command"]) for r in results) + 2
print()
print(f"{'command':{width}} {'median s':>9} {'min s':>7} {'max s':>7} {'cpu s':>7}"
      + (f" {'peak KiB':>9}" if peak else ""))
for r in results:
    print(f"{r['command']:{width}} {r['median']:9.3f} {r['min']:7.3f} {r['max']:7.3f}"
          f" {r['user'] + r['system']:7.3f}" + (f" {peak[r['command']]:>9}" if peak else ""))
print()
PY
}

# bench_ratio JSON NUMERATOR DENOMINATOR [TARGET]: the ratio of the two
# commands' medians against the target, then of their processor times and of
# their fastest runs (steadier than the medians on a host whose speed drifts
# while hyperfine runs one command after the other).
bench_ratio() {
  python3 - "$@" <<'PY'
import json, sys
results = {r["command"]: r for r in json.load(open(sys.argv[1]))["results"]}
a, b = results[sys.argv[2]], results[sys.argv[3]]
target = f"  (target <= {sys.argv[4]})" if len(sys.argv) > 4 else ""
cpu = lambda r: r["user"] + r["system"]
print(f"{sys.argv[2]} / {sys.argv[3]} = {a['median'] / b['median']:.3f}{target}"
      f"; processor time {cpu(a) / cpu(b):.3f}; fastest runs {a['min'] / b['min']:.3f}")
PY
}
