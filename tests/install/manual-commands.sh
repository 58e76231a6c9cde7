#!/usr/bin/env bash
# The manual page lists exactly the commands "cvcfg --help" lists.
set -euo pipefail
cvcfg=$1
manual=$2
from_help=$("$cvcfg" --help | sed -n '/^Commands:/,/^$/p' | awk 'NR > 1 && NF { print $1 }' | sort)
from_manual=$(sed -n '/^\.SH COMMANDS/,/^\.SH /p' "$manual" |
    awk '/^\.TP/ { getline; print }' | sed -E 's/^\\fB([a-z-]+)\\fR.*/\1/' | sort)
if [ "$from_help" != "$from_manual" ]; then
    echo "cvcfg --help and $manual list different commands:" >&2
    diff <(echo "$from_help") <(echo "$from_manual") >&2 || true
    exit 1
fi
