#!/usr/bin/env bash
# One EGL reading of llvmpipe against eglinfo, with no X server at all
# (DISPLAY unset): `tessera-cli --renderer 1` (reader
# process, database, compliance, report) against `eglinfo`, in one hyperfine
# invocation.  Prints the medians, their ratio (target <= 1.00) and the
# load average it ran under.
#
# eglinfo 8.5.0 (Debian 12) has no option to pick a platform: it initialises
# every platform it knows (GBM, Wayland and X11 fail here at once, then the
# surfaceless and device platforms answer), and ends with status 3 when one
# failed, so its status is ignored.  tessera reads the surfaceless platform.
#
# eglinfo makes no OpenGL context, so the bench also times the least an EGL
# reading does (egl_context.c: driver, context, strings) and the reader
# process alone, to show what the reading and the client each add.
#
#   bench/egl.sh            # builds build/release first
#   RUNS=20 bench/egl.sh
set -euo pipefail
# shellcheck source-path=SCRIPTDIR source=common.sh
. "$(dirname "$0")/common.sh"
bench_build tessera-cli tessera-reader

cli="$build/bin/tessera-cli"
reader="$build/bin/tessera-reader"
json=$bench_tmp/hyperfine.json
context=$bench_tmp/egl-context
cc -O2 -o "$context" "$(dirname "$0")/egl_context.c" -lEGL -lGL
# Without DISPLAY the programs choose EGL themselves: no wrapper process is
# timed with them.
unset DISPLAY TESSERA_PLATFORM

# hyperfine ignores exit statuses here (for eglinfo's); every other command
# must have worked, or its time means nothing.
for command in "$cli --renderer 1" "$reader --reading 1" "$context"; do
  $command </dev/null >/dev/null 2>&1 || { echo "fails: $command" >&2; exit 1; }
done
"$cli" --renderer 1 | grep -q '^Window system: EGL' || { echo "tessera-cli did not read through EGL" >&2; exit 1; }

echo "load before: $(uptime)"
hyperfine -N -i --warmup 2 --runs "$runs" --export-json "$json" \
  -n "tessera-cli --renderer 1 (EGL)" "$cli --renderer 1" \
  -n "tessera-reader --reading 1 (EGL)" "$reader --reading 1" \
  -n "bare EGL context" "$context" \
  -n "eglinfo" "eglinfo"
echo "load after: $(uptime)"

bench_table "$json"
bench_ratio "$json" "tessera-cli --renderer 1 (EGL)" "eglinfo" 1.00
bench_ratio "$json" "tessera-cli --renderer 1 (EGL)" "bare EGL context"
bench_ratio "$json" "tessera-reader --reading 1 (EGL)" "bare EGL context"
