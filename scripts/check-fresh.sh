#!/usr/bin/env bash
# Runs the README's two quick-start commands, exactly as the README writes them, as root in
# a fresh minimal Debian 12 root (debootstrap --variant=minbase: nothing but apt), on a copy
# of this tree's tracked files, and prints each command's exit code. Takes about 20 minutes;
# not part of CI. Run it whenever setup, the build or the test command changed.
#   scripts/check-fresh.sh [ROOT_FOLDER]   (default: a new folder below /tmp, removed after)
set -euo pipefail
cd "$(dirname "$0")/.."
root=${1:-$(mktemp -d /tmp/pictorb-fresh.XXXXXX)}
[ -z "$(ls -A "$root")" ] || { echo "check-fresh: $root is not empty: give a new folder" >&2; exit 2; }
chmod 755 "$root"  # it becomes the root folder, which every user must be able to enter

# The indented command lines of the README's quick start, in order: building the sample,
# then the tests.
mapfile -t commands < <(sed -n '/^## Quick start/,/^## /p' README.md | sed -n 's/^    \(.*\)$/\1/p')
[ ${#commands[@]} -eq 2 ] || { echo "check-fresh: expected two quick-start commands, found ${#commands[@]}" >&2; exit 2; }

source scripts/fresh-root.sh
make_fresh_root "$root"
# A root folder of our own making goes again at the end; one that was named stays.
if [ $# -eq 0 ]; then
    trap 'unmount_fresh_root; rm -rf --one-file-system "$root"' EXIT
fi

mkdir -p "$root/root/pictorb"
git ls-files -z | tar --null -T - -cf - | tar -xf - -C "$root/root/pictorb"

logs=$(mktemp -d /tmp/pictorb-fresh-logs.XXXXXX)
results=()
for command in "${commands[@]}"; do
    echo "== $command"
    log="$logs/$(echo "$command" | tr -c 'a-z0-9' '_').log"
    set +e
    in_root bash -c "cd /root/pictorb && $command" < /dev/null > "$log" 2>&1
    code=$?
    set -e
    tail -n 4 "$log"
    results+=("exit $code: $command")
done
echo "== results in a fresh Debian 12 root (whole output in $logs)"
printf '%s\n' "${results[@]}"
for r in "${results[@]}"; do [[ $r == "exit 0:"* ]] || exit 1; done
