#!/usr/bin/env bash
# The manual page lists exactly the commands "cvcfg --help" lists, and
# explains every option their usage lines name.
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

# Every option a usage line names is explained under OPTIONS.
commands=$from_help
options=$({
    "$cvcfg" --help | sed -n 1p
    for command in $commands; do "$cvcfg" "$command" --help | sed -n 1,3p; done
} | grep -oE -- '(^|[[ |])--?[a-z][a-z-]*' | sed -E 's/^[[ |]//' | sort -u)
explained=$(sed -n '/^\.SH OPTIONS/,/^\.SH /p' "$manual")
missing=0
for option in $options; do
    roff="\\fB${option//-/\\-}\\fR"
    if ! grep -qF -- "$roff" <<< "$explained"; then
        echo "$manual does not explain $option under OPTIONS" >&2
        missing=1
    fi
done
exit $missing

