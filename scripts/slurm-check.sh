#!/usr/bin/env bash
# Runs the README's Slurm recipe on a single-node Slurm cluster of its own on this machine:
# installs Debian's slurm-wlm and munge when missing, starts munged, slurmctld and slurmd with
# a configuration in a temporary folder (task/cgroup where the machine allows it), submits
# the recipe over 64 generated bitmaps of 3000 x 2000 with --mem set, and checks that
#   - every one of the 64 documents is written and every task ends COMPLETED;
#   - a task whose slice holds a broken bitmap ends FAILED, the other one COMPLETED;
#   - a folder batch of 16 bitmaps of 6000 x 4000 under --mem=400M converts every file;
# and says whether the memory limit was really enforced. The daemons are stopped by their
# process ids, the control groups Slurm made are removed, the folder is deleted.
# Not part of CI. Needs root. Usage: scripts/slurm-check.sh [PICTORBCMD]
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
pictorb="${1:-$root/build/pictorbcmd}"
if [ "$(id -u)" -ne 0 ]; then
    echo "slurm-check: needs root (it installs packages and starts daemons)" >&2
    exit 1
fi
if [ ! -x "$pictorb" ]; then
    cmake -S "$root" -B "$root/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo > /dev/null
    cmake --build "$root/build" --target pictorbcmd -j2 > /dev/null
fi
pictorb="$(cd "$(dirname "$pictorb")" && pwd)/$(basename "$pictorb")"

missing=()
for package in slurm-wlm munge imagemagick; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
        missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
    # The packages' own services must not start: this script starts its own daemons.
    guard=""
    if [ ! -e /usr/sbin/policy-rc.d ]; then
        guard=/usr/sbin/policy-rc.d
        printf '#!/bin/sh\nexit 101\n' > "$guard" && chmod 755 "$guard"
    fi
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
    [ -z "$guard" ] || rm -f "$guard"
fi
im="$(command -v convert-im6.q16 || command -v convert)"

work="$(mktemp -d /tmp/slurm-check.XXXXXX)"
chmod 755 "$work"
mkdir -p "$work"/{etc,state,spool,run,log,in,out,broken,big,bigout}
pids=()
cgroups_before="$work/cgroups-before"
find /sys/fs/cgroup -maxdepth 2 -type d -name 'slurm*' 2> /dev/null | sort > "$cgroups_before"

cleanup() {
    local status=$?
    set +e
    [ -n "${SLURM_CONF:-}" ] && scancel --quiet --user=root 2> /dev/null
    for pid in "${pids[@]}"; do kill "$pid" 2> /dev/null; done
    for pid in "${pids[@]}"; do
        for _ in $(seq 50); do kill -0 "$pid" 2> /dev/null || break; sleep 0.1; done
    done
    # The control groups Slurm made, deepest first (each is empty once its processes ended).
    find /sys/fs/cgroup -maxdepth 2 -type d -name 'slurm*' 2> /dev/null | sort |
        comm -13 "$cgroups_before" - | while read -r top; do
            find "$top" -depth -type d -exec rmdir {} + 2> /dev/null
        done
    rm -rf "$work"
    exit "$status"
}
trap cleanup EXIT

say() { printf 'slurm-check: %s\n' "$*"; }

# Control groups: Slurm's task/cgroup needs the version-1 controllers it uses, or version 2,
# and a hierarchy it may write.
use_cgroup=no
plugin=""
if [ -d /sys/fs/cgroup/memory ] && [ -d /sys/fs/cgroup/freezer ] &&
    mkdir /sys/fs/cgroup/memory/slurm-check-probe 2> /dev/null; then
    rmdir /sys/fs/cgroup/memory/slurm-check-probe
    use_cgroup=yes plugin=cgroup/v1
elif [ -f /sys/fs/cgroup/cgroup.controllers ] && grep -qw memory /sys/fs/cgroup/cgroup.controllers &&
    mkdir /sys/fs/cgroup/slurm-check-probe 2> /dev/null; then
    rmdir /sys/fs/cgroup/slurm-check-probe
    use_cgroup=yes plugin=cgroup/v2
fi

node="$(hostname -s)"
cpus="$(nproc)"
memory=$(( $(awk '/^MemTotal:/ { print int($2 / 1024) }' /proc/meminfo) - 1024 ))
port=$(( 20000 + RANDOM % 20000 ))
cat > "$work/etc/slurm.conf" << EOF
ClusterName=check
SlurmctldHost=$node(127.0.0.1)
SlurmUser=root
SlurmctldPort=$port
SlurmdPort=$((port + 1))
StateSaveLocation=$work/state
SlurmdSpoolDir=$work/spool
SlurmctldPidFile=$work/run/slurmctld.pid
SlurmdPidFile=$work/run/slurmd.pid
SlurmctldLogFile=$work/log/slurmctld.log
SlurmdLogFile=$work/log/slurmd.log
AuthType=auth/munge
CredType=cred/munge
AuthInfo=socket=$work/run/munge.socket
MpiDefault=none
SwitchType=switch/none
SchedulerType=sched/backfill
SelectType=select/cons_tres
SelectTypeParameters=CR_Core_Memory
ProctrackType=$([ $use_cgroup = yes ] && echo proctrack/cgroup || echo proctrack/linuxproc)
TaskPlugin=$([ $use_cgroup = yes ] && echo task/cgroup,task/affinity || echo task/affinity)
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
ReturnToService=2
MinJobAge=3600
NodeName=$node NodeAddr=127.0.0.1 CPUs=$cpus RealMemory=$memory State=UNKNOWN
PartitionName=check Nodes=$node Default=YES MaxTime=INFINITE State=UP
EOF
cat > "$work/etc/cgroup.conf" << EOF
CgroupPlugin=$plugin
CgroupMountpoint=/sys/fs/cgroup
ConstrainRAMSpace=yes
ConstrainSwapSpace=yes
AllowedSwapSpace=0
ConstrainCores=yes
EOF
[ $use_cgroup = yes ] || : > "$work/etc/cgroup.conf"
export SLURM_CONF="$work/etc/slurm.conf"

# munged with a key of its own, on a socket of its own.
dd if=/dev/urandom of="$work/etc/munge.key" bs=1024 count=1 status=none
chmod 400 "$work/etc/munge.key"
/usr/sbin/munged --force --key-file="$work/etc/munge.key" --socket="$work/run/munge.socket" \
    --pid-file="$work/run/munged.pid" --log-file="$work/log/munged.log" \
    --seed-file="$work/run/munged.seed"
pids+=("$(cat "$work/run/munged.pid")")
/usr/sbin/slurmctld -f "$SLURM_CONF"
for _ in $(seq 100); do [ -s "$work/run/slurmctld.pid" ] && break; sleep 0.1; done
pids+=("$(cat "$work/run/slurmctld.pid")")
/usr/sbin/slurmd -f "$SLURM_CONF" -N "$node"
for _ in $(seq 100); do [ -s "$work/run/slurmd.pid" ] && break; sleep 0.1; done
pids+=("$(cat "$work/run/slurmd.pid")")
for _ in $(seq 300); do
    sinfo -h -N -o '%T' 2> /dev/null | grep -qE '^(idle|mixed)' && break
    sleep 0.2
done
sinfo -h -N -o '%T' | grep -qE '^(idle|mixed)' || {
    say "the node did not come up"; tail -n 20 "$work"/log/*.log; exit 1
}
say "Slurm $(sinfo -V | cut -d' ' -f2) on $node: $cpus CPUs, task plugins $(scontrol show config | awk -F'= ' '/^TaskPlugin /{print $2}')"

# Waits for every job of `$@` (ids) to end; prints "task state exit" per array task.
states() {
    while [ -n "$(squeue -h -j "$(IFS=,; echo "$*")" 2> /dev/null)" ]; do sleep 1; done
    for id in "$@"; do
        scontrol -o show job "$id" | tr ' ' '\n' |
            awk -F= '/^ArrayTaskId=/{t=$2} /^JobState=/{s=$2} /^ExitCode=/{e=$2; print t, s, e}'
    done
}

# The README's recipe, as it stands, over /shared below the folder.
recipe=$(awk '/^    #!\/bin\/bash/ { block = ""; inside = 1 }
              inside && /^    / { block = block substr($0, 5) "\n"; next }
              inside { inside = 0; if (block ~ /SLURM_ARRAY_TASK_COUNT/) { printf "%s", block; exit } }' \
              "$root/README.md")
[ -n "$recipe" ] || { say "the README has no Slurm recipe with slices"; exit 1; }
mkdir -p "$work/shared"
ln -s "$work/out" "$work/shared/out"
printf '%s\n' "${recipe//\/shared\//$work/shared/}" > "$work/recipe.sh"
ln -s "$pictorb" "$work/run/pictorbcmd"
export PATH="$work/run:$PATH"

"$im" -seed 7 -size 750x500 plasma:fractal -resize '3000x2000!' -depth 8 -type TrueColor \
    "BMP3:$work/in/photo00.bmp"
for i in $(seq -w 1 63); do cp "$work/in/photo00.bmp" "$work/in/photo$i.bmp"; done
ls "$work"/in/*.bmp > "$work/files.txt"

say "recipe: 64 files in 4 array tasks, 1 CPU and --mem=400M each"
start=$(date +%s.%N)
id=$(cd "$work" && sbatch --parsable --array=0-3 --cpus-per-task=1 --mem=400M \
    --output="$work/log/slice-%a.out" recipe.sh)
result=$(states "$id")
seconds=$(echo "$(date +%s.%N) - $start" | bc)
echo "$result" | sed 's/^/  task /'
written=$(find "$work/out" -name '*.psd' | wc -l)
say "documents written: $written of 64 in ${seconds%???????} s"
ok=yes
[ "$written" -eq 64 ] || ok=no
[ "$(echo "$result" | grep -c ' COMPLETED ')" -eq 4 ] || ok=no
grep -l . "$work"/log/slice-*.out > /dev/null 2>&1 && { say "task output:"; cat "$work"/log/slice-*.out; }

say "a broken bitmap in the second of two slices"
cp "$work/in/photo00.bmp" "$work/broken/good1.bmp"
cp "$work/in/photo00.bmp" "$work/broken/good2.bmp"
cp "$work/in/photo00.bmp" "$work/broken/good3.bmp"
head -c 5000 "$work/in/photo00.bmp" > "$work/broken/zbroken.bmp"
ls "$work"/broken/*.bmp > "$work/files.txt"
rm -rf "$work/out"/*
id=$(cd "$work" && sbatch --parsable --array=0-1 --cpus-per-task=1 --mem=400M \
    --output="$work/log/broken-%a.out" recipe.sh)
result=$(states "$id")
echo "$result" | sed 's/^/  task /'
echo "$result" | grep -q '^0 COMPLETED ' || ok=no
echo "$result" | grep -q '^1 FAILED ' || ok=no
sed 's/^/  task 1 log: /' "$work/log/broken-1.out"

say "a folder batch of 16 bitmaps of 6000 x 4000 under --mem=400M, default workers"
"$im" -seed 9 -size 1500x1000 plasma:fractal -resize '6000x4000!' -depth 8 -type TrueColor \
    "BMP3:$work/big/p00.bmp"
for i in $(seq -w 1 15); do cp "$work/big/p00.bmp" "$work/big/p$i.bmp"; done
cat > "$work/folder.sh" << 'EOF'
#!/bin/bash
group=$(awk -F: '$2 ~ /(^|,)memory(,|$)/ { print $3 }' /proc/self/cgroup)
limits=""
for folder in "/sys/fs/cgroup/memory$group" "/sys/fs/cgroup/memory${group%/*}"; do
    [ -f "$folder/memory.limit_in_bytes" ] && limits="$limits $(cat "$folder/memory.limit_in_bytes")"
done
echo "memory limits seen: $limits"
pictorbcmd -d --exit-code --output-encoding=utf-8 -i "$1" -o "$2" | grep -E '^(Workers|Error|Files)'
status=${PIPESTATUS[0]}
for folder in "/sys/fs/cgroup/memory$group" "/sys/fs/cgroup/memory${group%/*}"; do
    [ -f "$folder/memory.max_usage_in_bytes" ] &&
        echo "peak of $folder: $(( $(cat "$folder/memory.max_usage_in_bytes") >> 20 )) MiB"
done
exit "$status"
EOF
id=$(sbatch --parsable --cpus-per-task="$cpus" --mem=400M --output="$work/log/folder.out" \
    "$work/folder.sh" "$work/big" "$work/bigout")
result=$(states "$id")
sed 's/^/  /' "$work/log/folder.out"
echo "$result" | sed 's/^/  job /'
written=$(find "$work/bigout" -name '*.psd' | wc -l)
say "documents written: $written of 16"
[ "$written" -eq 16 ] || ok=no
echo "$result" | grep -q ' COMPLETED ' || ok=no

if [ $use_cgroup = yes ] && grep -q ' 419430400' "$work/log/folder.out"; then
    say "memory limit enforced: yes (task/cgroup, $plugin: the job's group holds 400 MiB)"
else
    say "memory limit enforced: NO (this machine does not allow task/cgroup; --mem was only" \
        "booked, not enforced)"
fi
if [ $ok = yes ]; then say "all checks passed"; else say "SOME CHECKS FAILED"; exit 1; fi
