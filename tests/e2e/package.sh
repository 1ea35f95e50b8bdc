#!/usr/bin/env bash
# Builds the Debian package from the build folder, installs it on this machine
# with dpkg and starts the installed program in a private X server.
# Usage: package.sh BUILD-FOLDER CPACK SHOT-FOLDER
set -uo pipefail

BUILD=${1:?build folder}
CPACK=${2:?cpack}
SHOTS=${3:?folder for screenshots}/package

. "$(dirname "$0")/lib.sh"

[ "$(id -u)" = 0 ] || skip "installing the package needs root"
need_tools dpkg dpkg-deb dpkg-query dpkg-shlibdeps Xvfb xdotool xwininfo xdpyinfo xprop \
    import-im6.q16 timeout
[ -f "$BUILD/CPackConfig.cmake" ] || fail "no CPack configuration in $BUILD"

EXIT_BUTTON="740 91"
INSTALLED_BEFORE=no

package_cleanup() {
    cleanup
    # Leave the machine as it was found.
    if [ "$INSTALLED_BEFORE" = no ] && dpkg-query -W orvane >/dev/null 2>&1; then
        timeout 120 dpkg -r orvane >/dev/null 2>&1 || echo "could not remove orvane" >&2
    fi
}
trap package_cleanup EXIT
make_root
rm -rf "$SHOTS"
mkdir -p "$SHOTS"
dpkg-query -W -f='${Status}' orvane 2>/dev/null | grep -q "install ok installed" &&
    INSTALLED_BEFORE=yes

log "building the package"
timeout 300 "$CPACK" -G DEB --config "$BUILD/CPackConfig.cmake" -B "$ROOT/package" \
    >"$ROOT/cpack.log" 2>&1 || {
    cat "$ROOT/cpack.log" >&2
    fail "cpack failed"
}
debs=("$ROOT"/package/*.deb)
[ ${#debs[@]} = 1 ] && [ -f "${debs[0]}" ] || fail "expected one .deb, found: ${debs[*]}"
DEB=${debs[0]}
log "built $(basename "$DEB")"

[ "$(dpkg-deb -f "$DEB" Package)" = orvane ] || fail "the package is not named orvane"
depends=$(dpkg-deb -f "$DEB" Depends)
for library in libqt6core6 libqt6gui6 libqt6widgets6; do
    grep -q "$library" <<<"$depends" || fail "the package does not depend on $library: $depends"
done
grep -q "fonts-liberation2" <<<"$depends" ||
    fail "the package does not depend on the caption font: $depends"
recommends=$(dpkg-deb -f "$DEB" Recommends)
grep -q "qt6-image-formats-plugins" <<<"$recommends" ||
    fail "the package does not recommend the image-format plug-ins: $recommends"
contents=$(dpkg-deb -c "$DEB")
for file in ./usr/bin/orvane ./usr/share/applications/orvane.desktop \
    ./usr/share/metainfo/com.example.orvane.metainfo.xml \
    ./usr/share/icons/hicolor/32x32/apps/orvane.png; do
    grep -q " $file\$" <<<"$contents" || fail "the package lacks $file"
done

# dpkg refuses to run while another package tool holds its lock: that alone is
# worth trying again.
try_install() {
    if timeout 120 dpkg -i "$DEB" >"$ROOT/dpkg.log" 2>&1; then
        INSTALL=done
        return 0
    fi
    grep -qi lock "$ROOT/dpkg.log" && return 1
    INSTALL=failed
}
INSTALL=""
wait_quietly 120 try_install || fail "dpkg stayed locked by another program"
[ "$INSTALL" = done ] || {
    cat "$ROOT/dpkg.log" >&2
    fail "dpkg -i failed"
}
[ -x /usr/bin/orvane ] || fail "/usr/bin/orvane is not installed"
grep -q '^Categories=.*Graphics;' /usr/share/applications/orvane.desktop ||
    fail "the desktop entry is not in the Graphics category"
if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate /usr/share/applications/orvane.desktop ||
        fail "the installed desktop entry is not valid"
fi
if command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net /usr/share/metainfo/com.example.orvane.metainfo.xml ||
        fail "the installed metainfo is not valid"
fi

start_x
start_app /usr/bin/orvane
shot "installed-program"
timeout 10 xprop -id "$MAIN" _NET_WM_ICON | grep -q 'Icon (32 x 32)' ||
    fail "the installed program's window has no 32 x 32 icon"
# shellcheck disable=SC2086
click $EXIT_BUTTON
wait_app_end 20
[ "$APP_STATUS" = 0 ] || fail "the installed program ended with status $APP_STATUS"
log "the installed program started and ended"
