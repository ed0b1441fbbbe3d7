#!/usr/bin/env bash
# Installs the build into a temporary prefix, as `cmake --install` does for a user or a
# package, and checks what lands where: the program starts from there on the installed demo
# with its own libraries, and the desktop entry and document types are valid.
#   install-check.sh BUILD_DIR LIBDIR   (LIBDIR: the libraries' folder under the prefix)
set -euo pipefail
build=$1
libdir=$2
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
prefix="$stage/the prefix"
fail() { echo "FAIL: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null

for f in bin/tonlyra "$libdir"/libtonlyra_platform.so "$libdir"/libspardon.so \
         "$libdir"/libglosa32.so share/applications/tonlyran.desktop \
         share/mime/packages/tonlyran.xml share/icons/hicolor/scalable/apps/tonlyran.svg \
         share/man/man1/tonlyra.1 \
         share/tonlyran/demo/Overlays/Demo.cdu share/tonlyran/demo/Users/User.def \
         share/tonlyran/demo/Pictures/sol.png share/tonlyran/demo/Sounds/sol.wav; do
    [ -f "$prefix/$f" ] || fail "not installed: $f"
done
for size in 16 22 24 32 48 64 128 256; do
    png=$prefix/share/icons/hicolor/${size}x${size}/apps/tonlyran.png
    [ -f "$png" ] || fail "no ${size}x${size} icon"
    # The PNG header holds the width and height as big-endian numbers at bytes 16 and 20.
    [ "$(od --endian=big -An -tu4 -j16 -N8 "$png" | tr -s ' ')" = " $size $size" ] ||
        fail "the ${size}x${size} icon has another size"
done
# Nothing of the build or the tests is installed.
[ -z "$(find "$prefix" -name 'tst_*' -o -name 'bench_*' -o -name '*.a')" ] ||
    fail "build or test files installed"

# Run paths relative to the program: the tree works wherever it is.
runpath=$(readelf -d "$prefix/bin/tonlyra" | sed -n 's/.*(RUNPATH).*\[\(.*\)\]/\1/p')
[ "$runpath" = "\$ORIGIN/../$libdir" ] || fail "program's run path is '$runpath'"
for lib in "$prefix/$libdir"/*.so "$prefix/bin/tonlyra"; do
    if env -u LD_LIBRARY_PATH ldd "$lib" | grep -q 'not found'; then
        fail "$(basename "$lib") lacks libraries: $(env -u LD_LIBRARY_PATH ldd "$lib" | grep 'not found')"
    fi
done

# The overlay names its pictures and sounds relative to itself, so that it works where it is
# installed and wherever it is copied.
grep -q "^1=\.\./Sounds/sol\.wav" "$prefix/share/tonlyran/demo/Overlays/Demo.cdu" ||
    fail "the demo overlay does not name its files relative to itself"

# The desktop entry is valid (hints allowed) and handles both documents.
desktop=$prefix/share/applications/tonlyran.desktop
report=$(desktop-file-validate "$desktop" 2>&1) || fail "desktop entry: $report"
if grep -E 'error|warning' <<<"$report"; then fail "desktop entry: $report"; fi
grep -q '^MimeType=application/x-tonlyran-overlay;application/x-tonlyran-user-settings;application/x-tonlyran-set;$' "$desktop" ||
    fail "the desktop entry does not handle the documents and overlay sets"
update-mime-database "$prefix/share/mime" >/dev/null 2>&1 || fail "update-mime-database"
grep -q 'application/x-tonlyran-overlay:\*\.cdu' "$prefix/share/mime/globs2" || fail "no .cdu type"
grep -q 'application/x-tonlyran-user-settings:\*\.usr' "$prefix/share/mime/globs2" || fail "no .usr type"
grep -q 'application/x-tonlyran-set:\*\.tonlyran' "$prefix/share/mime/globs2" || fail "no .tonlyran type"

# The installed program starts on the installed demo with its libraries (the annotation
# library too, loaded by name: without it a question would be asked) and runs until ended.
cd "$prefix/share/tonlyran/demo"
status=0
env -u LD_LIBRARY_PATH QT_QPA_PLATFORM=offscreen TONLYRA_NO_MODAL=1 TONLYRA_MPV_AO=null \
    HOME="$stage" XDG_DATA_HOME="$stage/data" \
    timeout 3 "$prefix/bin/tonlyra" Overlays/Demo.cdu 2>"$stage/stderr" || status=$?
[ $status -eq 124 ] || fail "the installed program ended with $status: $(cat "$stage/stderr")"
if grep -i 'unanswered question\|cannot open shared' "$stage/stderr"; then
    fail "the installed program could not start cleanly"
fi
echo "installed and started from $prefix"
