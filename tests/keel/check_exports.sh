#!/bin/sh
# Checks that a shared library defines exactly the dynamic symbols listed in a
# file (one name a line) and no C++ mangled name.  Names that begin with an
# underscore belong to the toolchain and are left out of the comparison.
# usage: check_exports.sh LIBRARY EXPECTED_LIST
set -eu
lib=$1
expected=$2
actual=$(mktemp)
wanted=$(mktemp)
trap 'rm -f "$actual" "$wanted"' EXIT

nm -D --defined-only "$lib" | awk 'NF >= 3 { print $3 }' | sed 's/@.*//' | sort -u > "$actual"
grep -v '^[[:space:]]*$' "$expected" | sort -u > "$wanted"

status=0
if grep -q '^_Z' "$actual"; then
  echo "C++ names exported by $lib:" >&2
  grep '^_Z' "$actual" >&2
  status=1
fi
ours=$(grep -v '^_' "$actual" || true)
missing=$(echo "$ours" | comm -13 - "$wanted")
extra=$(echo "$ours" | comm -23 - "$wanted")
if [ -n "$missing" ]; then
  echo "missing exports:" >&2; echo "$missing" >&2; status=1
fi
if [ -n "$extra" ]; then
  echo "unexpected exports:" >&2; echo "$extra" >&2; status=1
fi
[ $status -eq 0 ] && echo "$(echo "$ours" | wc -l) exports, as listed"
exit $status
