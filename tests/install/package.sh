#!/usr/bin/env bash
# Builds the Debian package from a built tree, unpacks it into a temporary
# root and runs and validates what it installs.
set -euo pipefail
build=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

(cd "$build" && cpack -G DEB -B "$work/out" > "$work/cpack.log") || { cat "$work/cpack.log" >&2; exit 1; }
deb=$(ls "$work"/out/*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for needed in libqt6widgets6 libqt6printsupport6 qt6-qpa-plugins libqt6svg6 libc6; do
    if ! grep -q "$needed" <<< "$depends"; then
        echo "the package does not depend on $needed" >&2
        exit 1
    fi
done

dpkg-deb -x "$deb" "$work/root"
root=$work/root
for file in usr/bin/cvcfg usr/bin/cvcfg-unit usr/share/applications/cvcfg.desktop \
    usr/share/icons/hicolor/scalable/apps/cvcfg.svg \
    usr/share/metainfo/com.corvane.cvcfg.metainfo.xml \
    usr/share/man/man1/cvcfg.1.gz usr/share/man/man1/cvcfg-unit.1.gz \
    usr/share/doc/cvcfg/copyright usr/share/doc/cvcfg/changelog.Debian.gz \
    usr/share/bash-completion/completions/cvcfg usr/share/mime/packages/cvcfg.xml; do
    if [ ! -s "$root/$file" ]; then
        echo "the package lacks /$file" >&2
        exit 1
    fi
done
# The icon in each size of the icon theme, a picture of that size.
for size in 16 32 48 64 128 256; do
    icon=usr/share/icons/hicolor/${size}x${size}/apps/cvcfg.png
    if ! file "$root/$icon" | grep -q "PNG image data, $size x $size,"; then
        echo "the package lacks /$icon as a $size-pixel PNG picture" >&2
        exit 1
    fi
done
grep -q 'type="application/x-cvcfg-configuration"' "$root/usr/share/mime/packages/cvcfg.xml"
"$root/usr/bin/cvcfg" --version | grep -q '^cvcfg 3.10 (build '
"$root/usr/bin/cvcfg" variants | grep -q '^CV-PCI '
desktop-file-validate "$root/usr/share/applications/cvcfg.desktop"
appstreamcli validate --no-net "$root/usr/share/metainfo/com.corvane.cvcfg.metainfo.xml" > /dev/null
man -l "$root/usr/share/man/man1/cvcfg.1.gz" > /dev/null
# Debian's policy as lintian checks it: no error, and no warning but those
# the package's override file justifies.
if command -v lintian > /dev/null; then
    lintian --fail-on error,warning --tag-display-limit 0 "$deb"
fi
bash "$(dirname "$0")/completion.sh" "$root/usr/bin/cvcfg" \
    "$root/usr/share/bash-completion/completions/cvcfg"
