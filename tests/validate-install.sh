#!/usr/bin/env bash
# Installs the build into a scratch prefix and checks the desktop entry and the
# AppStream metainfo as a desktop and a software centre would read them.
# Usage: validate-install.sh BUILD-FOLDER CMAKE
set -uo pipefail

BUILD=${1:?build folder}
CMAKE=${2:?cmake}
for tool in desktop-file-validate appstreamcli; do
    command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed"; exit 77; }
done
PREFIX=$(mktemp -d)
trap 'rm -rf "$PREFIX"' EXIT

"$CMAKE" --install "$BUILD" --prefix "$PREFIX/usr" >"$PREFIX/install.log" 2>&1 || {
    cat "$PREFIX/install.log"
    echo "FAIL: cmake --install failed"
    exit 1
}
desktop=$PREFIX/usr/share/applications/orvane.desktop
metainfo=$PREFIX/usr/share/metainfo/com.example.orvane.metainfo.xml
status=0
for file in "$desktop" "$metainfo"; do
    [ -f "$file" ] || { echo "FAIL: $file was not installed"; exit 1; }
done
desktop-file-validate "$desktop" || { echo "FAIL: desktop-file-validate"; status=1; }
appstreamcli validate --no-net "$metainfo" || { echo "FAIL: appstreamcli validate"; status=1; }

# A file manager offers "Open with Orvane" for the types listed here, and passes
# the file through %f.
grep -qx 'Exec=orvane %f' "$desktop" || { echo "FAIL: Exec does not take a file"; status=1; }
for type in image/bmp image/gif image/jpeg image/png image/webp image/x-tga image/tiff; do
    grep -q "^MimeType=.*$type;" "$desktop" || { echo "FAIL: MimeType lacks $type"; status=1; }
done
grep -q '<launchable type="desktop-id">orvane.desktop</launchable>' "$metainfo" ||
    { echo "FAIL: the metainfo does not name the desktop entry"; status=1; }
exit $status
