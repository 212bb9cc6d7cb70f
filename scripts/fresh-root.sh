# Sourced: a fresh minimal Debian 12 root made with debootstrap, with /proc, /dev and
# /dev/pts mounted while the sourcing script runs. Needs root.
#   make_fresh_root FOLDER     debootstrap --variant=minbase bookworm (reused if present)
#   in_root COMMAND...         runs COMMAND in it with a clean environment, as root

fresh_root=
fresh_root_mounts=()

unmount_fresh_root() {
    local m
    for m in "${fresh_root_mounts[@]}"; do umount "$m" || true; done
    fresh_root_mounts=()
}

make_fresh_root() {
    fresh_root=$1
    # The mirror this machine's apt already uses.
    local mirror
    mirror=$(sed -n 's/^URIs: *\([^ ]*debian\)$/\1/p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -n 1)
    mirror=${mirror:-http://deb.debian.org/debian}
    command -v debootstrap > /dev/null || apt-get install -y -qq --no-install-recommends debootstrap
    if [ ! -x "$fresh_root/usr/bin/apt-get" ]; then
        echo "== debootstrap --variant=minbase bookworm $fresh_root $mirror"
        debootstrap --variant=minbase bookworm "$fresh_root" "$mirror" > /dev/null
    fi
    trap unmount_fresh_root EXIT
    local m
    for m in proc dev dev/pts; do
        if ! mountpoint -q "$fresh_root/$m"; then
            case $m in
                proc) mount -t proc proc "$fresh_root/proc" ;;
                dev) mount --bind /dev "$fresh_root/dev" ;;
                dev/pts) mount -t devpts -o newinstance devpts "$fresh_root/dev/pts" ;;
            esac
            fresh_root_mounts=("$fresh_root/$m" "${fresh_root_mounts[@]}")
        fi
    done
}

in_root() {
    chroot "$fresh_root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"
}
