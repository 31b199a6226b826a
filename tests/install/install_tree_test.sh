#!/bin/sh
# Installs the build tree into a temporary prefix, moves the installed tree
# elsewhere and runs the installed tessera-cli: its version, a report (which
# needs the database of share/tessera) and one rendering-test unit (which
# needs the shader scripts found by the library).  The libraries must come
# from the tree itself, never from the build.
# usage: install_tree_test.sh BUILD_DIR CMAKE
set -eu
build=$1
cmake=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/tessera-install-XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() { echo "install_tree: $*" >&2; exit 1; }

"$cmake" --install "$build" --prefix "$work/staged" >"$work/install.log" 2>&1 ||
  { cat "$work/install.log" >&2; fail "cmake --install failed"; }
# Moved after installing: nothing may depend on the prefix it was installed to.
mv "$work/staged" "$work/tree"
P=$work/tree

for f in lib/libkeel.so lib/libsounder.so include/keel/keel.h include/sounder/database.h; do
  [ -e "$P/$f" ] || fail "$f is missing from the installed tree"
done
# The loader resolves every library of ours inside the tree.
libs=$(env -u LD_LIBRARY_PATH ldd "$P/bin/tessera-cli")
for l in libkeel.so.0 libsounder.so.0; do
  found=$(echo "$libs" | awk -v l="$l" '$1 == l { print $3 }')
  [ -n "$found" ] && [ "$(realpath "$found")" = "$(realpath "$P/lib/$l")" ] ||
    { echo "$libs" >&2; fail "$l is not loaded from $P/lib"; }
done
if readelf -d "$P/bin/tessera-cli" "$P/lib/libsounder.so.0" | grep -E 'R(UN)?PATH' | grep -q "$build"; then
  fail "an installed binary still searches the build tree"
fi

# No binary, built or installed, searches the current directory for its
# libraries (an empty entry in its search path does): a library planted there
# must not be loaded.
for f in "$build"/bin/* "$P"/bin/* "$P"/lib/*.so* "$P"/libexec/tessera/*; do
  [ -f "$f" ] && head -c 4 "$f" | grep -q ELF || continue
  readelf -d "$f" | grep -E 'R(UN)?PATH' | sed 's/.*\[\(.*\)\]/:\1:/' | grep -q '::' &&
    fail "$f searches the current directory for libraries"
done
mkdir "$work/planted"
for l in libGLEW.so.2.2 libX11.so.6 libminizip.so.1; do echo planted >"$work/planted/$l"; done
(cd "$work/planted" && env -u LD_LIBRARY_PATH "$build/bin/tessera-cli" --version >/dev/null 2>&1) ||
  fail "tessera-cli of the build tree loaded a library from the current directory"

cd "$work"
env -u LD_LIBRARY_PATH "$P/bin/tessera-cli" --version | grep -q '^tessera-cli [0-9]' ||
  fail "--version failed"

# Each run gets its own data folder: the user copy of the database that a
# run writes back is used by the runs after it.
XDG_DATA_HOME=$work/data env -u LD_LIBRARY_PATH "$P/bin/tessera-cli" >"$work/report.txt" 2>"$work/report.err" ||
  { cat "$work/report.err" >&2; fail "the installed report failed"; }
[ -s "$work/data/tessera/extensions.xml" ] || fail "what the reading added was not saved"
grep -q '^Compliance:' "$work/report.txt" || fail "the report has no compliance figures"
grep -q '^OpenGL 1.1 (100 % - ' "$work/report.txt" ||
  { cat "$work/report.txt" >&2; fail "the installed database was not used"; }
[ ! -s "$work/report.err" ] || { cat "$work/report.err" >&2; fail "the report wrote to stderr"; }

# The database the program uses is the tree's: cut it in half and the
# program says so, naming that file.
db=$P/share/tessera/extensions.xml
size=$(wc -c <"$db")
head -c $((size / 2)) "$db" >"$work/half.xml" && cp "$work/half.xml" "$db"
XDG_DATA_HOME=$work/data-half env -u LD_LIBRARY_PATH "$P/bin/tessera-cli" >/dev/null 2>"$work/half.err" || true
grep -q "$P/bin/../share/tessera/extensions.xml is incomplete" "$work/half.err" ||
  { cat "$work/half.err" >&2; fail "a cut database in the tree went unnoticed"; }

printf '<options>\n<test>3</test>\n</options>\n' >"$work/options.xml"
env -u LD_LIBRARY_PATH "$P/bin/tessera-cli" --run-tests "$work/options.xml" >"$work/run.txt" 2>&1 ||
  { cat "$work/run.txt" >&2; fail "the vertex-program unit failed (shader scripts not found?)"; }
grep -q '^1.4 (vertex program) *[1-9][0-9]* fps' "$work/run.txt" ||
  { cat "$work/run.txt" >&2; fail "the vertex-program unit printed no frame rate"; }
echo "installed tree at $P works"
