#!/usr/bin/env bash
# Installs the Debian package into a fresh Debian 12 root (made with debootstrap, minbase),
# converts the sample bitmap with /usr/bin/pictorbcmd, pictures the main window with -t
# (off screen), then removes the package and checks that nothing of it is left.
# Needs root, debootstrap and a package from scripts/package.sh.
#   scripts/check-package.sh [ROOT_FOLDER]   (default /tmp/pictorb-root; reused if present)
set -euo pipefail
cd "$(dirname "$0")/.."
root=${1:-/tmp/pictorb-root}
deb=$(ls build-package/pictorb_*.deb | head -n 1)
source scripts/fresh-root.sh
make_fresh_root "$root"

mkdir -p "$root/tmp/check"
cp "$deb" samples/sample.bmp "$root/tmp/check/"
echo "== apt install ./$(basename "$deb")"
in_root apt-get update -qq
in_root sh -c "cd /tmp/check && DEBIAN_FRONTEND=noninteractive apt-get install -y -q ./$(basename "$deb") 2>&1" | grep -E '^(Get:|Unpacking pictorb|Setting up pictorb|Processing triggers for libc)' | tail -n 4

echo "== /usr/bin/pictorbcmd -i sample.bmp"
mkdir -p "$root/tmp/check/out" "$root/tmp/check/shot"
mkdir -p -m 700 "$root/tmp/check/runtime"
in_root sh -c 'cd /tmp/check && /usr/bin/pictorbcmd -i sample.bmp -o /tmp/check/out | iconv -f UTF-16LE -t UTF-8'
ls -l "$root/tmp/check/out"
echo "== /usr/bin/pictorbcmd -t (offscreen)"
in_root env QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=/tmp/check/runtime /usr/bin/pictorbcmd -t /tmp/check/shot
ls -l "$root/tmp/check/shot"
echo "== man and completion"
in_root sh -c 'test -f /usr/share/man/man1/pictorbcmd.1 && test -f /usr/share/bash-completion/completions/pictorbcmd && test -f /usr/share/doc/pictorb/index.html && echo present'

echo "== apt remove pictorb"
files=$(in_root dpkg -L pictorb | grep -v '^/\.$')
in_root env DEBIAN_FRONTEND=noninteractive apt-get remove -y -q pictorb 2>&1 | tail -n 2
in_root env DEBIAN_FRONTEND=noninteractive apt-get purge -y -q pictorb 2>&1 | tail -n 1
left=0
for f in $files; do
    if [ -f "$root$f" ] || [ -L "$root$f" ]; then echo "left behind: $f"; left=1; fi
done
for d in /usr/lib/pictorb /usr/share/pictorb /usr/share/doc/pictorb; do
    [ -e "$root$d" ] && { echo "left behind: $d"; left=1; }
done
in_root dpkg -s pictorb > /dev/null 2>&1 && { echo "still installed"; left=1; }
[ $left -eq 0 ] && echo "removed cleanly: none of its $(echo "$files" | wc -l) paths left"
exit $left
