#!/usr/bin/env bash
# Fails when a C or C++ file under src/ tests/ tools/ fuzz/ differs from what the repository's
# .clang-format makes of it. The formatter is pinned to Debian's clang-format 14: other major
# versions break lines differently, and the check must agree with the formatter people run.
# Usage: scripts/check-format.sh [FILE...]   (default: every source file of those folders)
set -euo pipefail
cd "$(dirname "$0")/.."

formatter=clang-format-14
if ! command -v "$formatter" > /dev/null; then
    echo "check-format: $formatter is missing (Debian package clang-format-14)" >&2
    exit 1
fi
if ! "$formatter" --version | grep -q 'version 14\.'; then
    echo "check-format: $formatter is not version 14: $("$formatter" --version)" >&2
    exit 1
fi

if [ $# -gt 0 ]; then
    files=("$@")
else
    mapfile -t files < <(bash scripts/list-sources.sh src tests tools fuzz |
        grep -E '\.(c|cc|cpp|cxx|h|hh|hpp)$')
fi

unformatted=0
for file in "${files[@]}"; do
    if ! "$formatter" --style=file "$file" | cmp -s - "$file"; then
        echo "check-format: $file differs from .clang-format; run: $formatter -i $file"
        unformatted=$((unformatted + 1))
    fi
done
if [ "$unformatted" -gt 0 ]; then
    echo "check-format: $unformatted of ${#files[@]} files need formatting" >&2
    exit 1
fi
echo "check-format: ${#files[@]} files formatted"
