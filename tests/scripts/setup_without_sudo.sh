#!/usr/bin/env bash
# tools/setup.sh run by a user who is not root, on a machine without sudo, with a package
# missing: one line saying what to do, a failing exit status, and no attempt to install.
# Usage: setup_without_sudo.sh PATH/TO/tools/setup.sh
set -euo pipefail
setup=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir "$tmp/bin"
stub() { printf '#!/bin/sh\n%s\n' "$2" >"$tmp/bin/$1" && chmod +x "$tmp/bin/$1"; }
stub id 'echo 1000'
stub dpkg-query 'exit 1'
stub apt-get "touch '$tmp/apt-get-ran'"
ln -s "$(command -v grep)" "$tmp/bin/grep"

set +e
out=$(PATH="$tmp/bin" "$BASH" "$setup" 2>&1)
rc=$?
set -e
printf '%s\n' "$out"
fail() { echo "FAILED: $*"; exit 1; }
[ "$rc" -ne 0 ] || fail "exit status 0"
[ ! -e "$tmp/apt-get-ran" ] || fail "apt-get ran"
case "$out" in *"command not found"*) fail "a command was not found" ;; esac
last=$(printf '%s\n' "$out" | tail -n 1)
case "$last" in *"run tools/setup.sh as root, or install and configure sudo"*) ;; *) fail "last line: $last" ;; esac
