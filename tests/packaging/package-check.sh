#!/usr/bin/env bash
# Builds the Debian package from the build, as `cpack -G DEB` does for a release, and checks
# its contents and that its dependencies were computed: the libraries the program links and
# the plugins and translation it loads.
#   package-check.sh BUILD_DIR
set -euo pipefail
build=$1
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -G DEB -B "$out" >"$out/cpack.log" 2>&1 ||
    fail "cpack: $(cat "$out/cpack.log")"
deb=$(ls "$out"/tonlyran_*_*.deb) || fail "no tonlyran_*.deb"
[ "$(dpkg-deb -f "$deb" Package)" = tonlyran ] || fail "package name"

depends=$(dpkg-deb -f "$deb" Depends)
for package in libc6 libqt6core6 libqt6widgets6 libmpv2 libmp3lame0 libcdio19 \
               libcdio-paranoia2 qt6-qpa-plugins qt6-wayland qt6-image-formats-plugins \
               qt6-translations-l10n libarchive13 libsdl2-2.0-0; do
    grep -Eq "(^|, )$package( |,|$)" <<<"$depends" || fail "does not depend on $package: $depends"
done

contents=$(dpkg-deb -c "$deb" | awk '{print $6}')
for f in ./usr/bin/tonlyra ./usr/lib/tonlyran/libspardon.so ./usr/lib/tonlyran/libglosa32.so \
         ./usr/lib/tonlyran/libtonlyra_platform.so ./usr/share/applications/tonlyran.desktop \
         ./usr/share/mime/packages/tonlyran.xml ./usr/share/tonlyran/demo/Overlays/Demo.cdu; do
    grep -qxF "$f" <<<"$contents" || fail "not in the package: $f"
done
# The overlay names its files relative to itself, so it works wherever it is copied. Read whole
# before matching: a grep that stops at the first match breaks the pipe under the extraction,
# which fails the pipeline.
overlay=$(dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/tonlyran/demo/Overlays/Demo.cdu) ||
    fail "cannot read the demo overlay from the package"
grep -q '^1=\.\./Sounds/sol\.wav' <<<"$overlay" ||
    fail "the demo overlay names other paths"
echo "$(basename "$deb"): Depends: $depends"
