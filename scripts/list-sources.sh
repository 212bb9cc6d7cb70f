#!/usr/bin/env bash
# Prints the files below the given folders: the tracked ones in a git checkout, every file in a
# copied tree (a fresh machine's check has no git). Used by the format and layer checks.
# Usage: scripts/list-sources.sh FOLDER...
set -euo pipefail
cd "$(dirname "$0")/.."
if git rev-parse --is-inside-work-tree > /dev/null 2>&1; then
    git ls-files -- "$@"
else
    find "$@" -type f | sort
fi
