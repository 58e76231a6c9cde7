#!/usr/bin/env bash
# The desktop integration of configuration files: the desktop file is valid
# and opens them, and once the MIME type is installed into an XDG data folder
# of its own, *.CVF and *.cvf files are of that type.
set -euo pipefail
desktop=$1
mime_xml=$2
type=application/x-cvcfg-configuration
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

desktop-file-validate "$desktop"
grep -qx "MimeType=$type;" "$desktop" || { echo "$desktop does not name $type" >&2; exit 1; }
grep -qx 'Exec=cvcfg %f' "$desktop" || { echo "$desktop does not pass the file to cvcfg" >&2; exit 1; }

export XDG_DATA_HOME=$work/data XDG_DATA_DIRS=$work/data
mkdir -p "$work/data/mime/packages"
cp "$mime_xml" "$work/data/mime/packages/cvcfg.xml"
update-mime-database "$work/data/mime"
unset XDG_CURRENT_DESKTOP DESKTOP_SESSION KDE_FULL_SESSION GNOME_DESKTOP_SESSION_ID
printf '"\\x00"\r\n' > "$work/PLANT.CVF"
cp "$work/PLANT.CVF" "$work/plant.cvf"
printf 'no configuration\n' > "$work/notes.txt"
for file in PLANT.CVF plant.cvf; do
    found=$(xdg-mime query filetype "$work/$file")
    if [ "$found" != "$type" ]; then
        echo "xdg-mime gives $file the type \"$found\", not $type" >&2
        exit 1
    fi
done
found=$(xdg-mime query filetype "$work/notes.txt")
if [ "$found" = "$type" ]; then
    echo "a text file that is no configuration file is taken for one" >&2
    exit 1
fi
