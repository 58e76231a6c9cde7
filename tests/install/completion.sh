#!/usr/bin/env bash
# Completes command lines as bash does at a Tab and checks what is offered.
set -uo pipefail
cvcfg=$1
completion=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# No port memory of the person running the tests is read.
export XDG_CONFIG_HOME=$work
# shellcheck source=/dev/null
source "$completion"
failed=0

# The words offered for the command line `line` (its last word is the one
# completed; a line ending in a blank completes an empty word).
offered() {
    read -ra COMP_WORDS <<< "$1"
    [[ $1 == *" " ]] && COMP_WORDS+=("")
    COMP_WORDS[0]=$cvcfg
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _cvcfg
    printf '%s\n' "${COMPREPLY[@]}"
}

# The offers are taken whole before they are searched: a grep that stops at
# its first match would cut the pipe, which pipefail reports as a failure.
expect() {
    local line=$1 want=$2 offers
    offers=$(offered "$line")
    if ! grep -qxF -- "$want" <<< "$offers"; then
        echo "\"$line\" does not offer \"$want\"; it offers: $(tr '\n' ' ' <<< "$offers")" >&2
        failed=1
    fi
}

refuse() {
    local line=$1 unwanted=$2 offers
    offers=$(offered "$line")
    if grep -qxF -- "$unwanted" <<< "$offers"; then
        echo "\"$line\" offers \"$unwanted\"" >&2
        failed=1
    fi
}

expect "cvcfg sh" show
expect "cvcfg " snapshot
expect "cvcfg --d" --demo
expect "cvcfg --com 1=/dev/null ver" verify
expect "cvcfg download --v" --verify
expect "cvcfg download --v" --variant
refuse "cvcfg show --v" --verify
expect "cvcfg show --variant CV210-K" CV210-KFR
expect "cvcfg show --variant CV210-SLC" 'CV210-SLC5/04\ Bridge'
expect "cvcfg show --variant CV-" CV-PCI
# Ports are offered as "cvcfg ports" lists them: what stands behind a number.
CVCFG_COM12=/dev/null expect "cvcfg upload --port COM1" COM12
expect "cvcfg new --variant CV210-DF1 --link-baud " 19200

touch "$work/plant.CVF" "$work/notes.txt"
mkdir "$work/old"
expect "cvcfg show --variant CV-PCI $work/" "$work/plant.CVF"
expect "cvcfg show --variant CV-PCI $work/" "$work/old"
refuse "cvcfg show --variant CV-PCI $work/" "$work/notes.txt"
exit $failed
