#!/usr/bin/env bash
# A study's job array on a real one-node Slurm cluster: munged, slurmctld and slurmd are configured in
# a temporary folder, started here and stopped at the end; `study slurm`'s script is submitted
# unchanged, and the merged CSV must equal the one GNU parallel's run of the same jobs gives.
# usage: slurm_study_test.sh TERVIX_CLI DATA_DIR   (exit 77: skipped, the daemons cannot run here)
set -euo pipefail
cli=$1
data=$2
# Short: a Unix socket's path may have at most 107 bytes.
work=$(mktemp -d /tmp/tervix_slurm.XXXXXX)
pids=()

skip() {
    echo "SKIPPED: $*"
    exit 77
}
stop() {
    if [ -s "$work/slurmctld.pid" ]; then
        SLURM_CONF=$work/slurm.conf timeout 20 scontrol shutdown > /dev/null 2>&1 || true
    fi
    munged -s --socket="$work/munge/socket" > /dev/null 2>&1 || true
    for pid in "${pids[@]}"; do kill "$pid" 2> /dev/null || true; done
    sleep 1
    rm -rf "$work"
}
trap stop EXIT

for tool in munged slurmctld slurmd sbatch scontrol sinfo parallel; do
    command -v "$tool" > /dev/null || skip "$tool is not installed (tools/install_packages.sh installs the test packages)"
done

# munged wants its socket's folders open to all; the key's own permissions keep it private.
chmod 711 "$work"
mkdir -m 711 "$work/munge"
mkdir -p "$work/state" "$work/spool" "$work/log"
head -c 1024 /dev/urandom > "$work/munge/key"
chmod 400 "$work/munge/key"
munged --force --key-file="$work/munge/key" --socket="$work/munge/socket" --pid-file="$work/munge/pid" \
    --log-file="$work/log/munged.log" --seed-file="$work/munge/seed" 2> "$work/log/munged.err" ||
    skip "munged cannot start: $(tail -n 2 "$work/log/munged.err" "$work/log/munged.log" 2> /dev/null)"
pids+=("$(cat "$work/munge/pid")")

# Two ports no one listens on, so that runs side by side on one machine keep to their own cluster.
read -r ctld_port node_port < <(/usr/bin/python3 -c '
import socket
s = [socket.socket() for _ in range(2)]
for x in s: x.bind(("127.0.0.1", 0))
print(*(x.getsockname()[1] for x in s))')
host=$(hostname -s)
user=$(id -un)
cat > "$work/slurm.conf" << CONF
ClusterName=tervixtest
SlurmctldHost=$host(127.0.0.1)
SlurmctldPort=$ctld_port
SlurmdPort=$node_port
AuthType=auth/munge
AuthInfo=socket=$work/munge/socket
CredType=cred/munge
SlurmUser=$user
SlurmdUser=$user
StateSaveLocation=$work/state
SlurmdSpoolDir=$work/spool
SlurmctldPidFile=$work/slurmctld.pid
SlurmdPidFile=$work/slurmd.pid
SlurmctldLogFile=$work/log/slurmctld.log
SlurmdLogFile=$work/log/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
SchedulerType=sched/backfill
SelectType=select/cons_tres
SelectTypeParameters=CR_Core
MpiDefault=none
ReturnToService=2
NodeName=$host NodeAddr=127.0.0.1 CPUs=$(nproc) State=UNKNOWN
PartitionName=study Nodes=$host Default=YES MaxTime=INFINITE State=UP
CONF
export SLURM_CONF=$work/slurm.conf
slurmctld -i 2> "$work/log/slurmctld.err" || skip "slurmctld cannot start: $(tail -n 3 "$work/log/slurmctld.err")"
sleep 1
pids+=("$(cat "$work/slurmctld.pid" 2> /dev/null || true)")
slurmd 2> "$work/log/slurmd.err" || skip "slurmd cannot start: $(tail -n 3 "$work/log/slurmd.err")"
for _ in $(seq 60); do
    sinfo -h -o %t 2> /dev/null | grep -q idle && break
    sleep 0.5
done
pids+=("$(cat "$work/slurmd.pid" 2> /dev/null || true)")
sinfo -h -o %t | grep -q idle || skip "the node did not come up: $(tail -n 3 "$work/log/slurmd.log" "$work/log/slurmctld.log")"

# Four cameras, one repeat: the array's runs are the cluster's, the figures the same model's.
cp "$data/camera1.par" "$data/mira.tag" "$work/"
cat > "$work/plan.json" << 'PLAN'
{"camera": "camera1.par", "repeats": 1, "range": "--criteria johnson --extinction 0.3",
 "parameters": [{"name": "netd", "values": [0.03, 0.1, 0.3, 1.0]}]}
PLAN
"$cli" study "$work/plan.json" --out "$work/s" > /dev/null
"$cli" study slurm "$work/s" > /dev/null
grep -q '^#SBATCH --array=1-4$' "$work/s/slurm.sh" || { echo "FAILED: the array is not sized to the plan"; exit 1; }
timeout 600 sbatch --wait --quiet "$work/s/slurm.sh"
for job in 1 2 3 4; do
    [ -s "$work/s/logs/slurm-$job.log" ] || { echo "FAILED: no log of task $job"; exit 1; }
done
"$cli" study --merge "$work/s" > /dev/null
mv "$work/s/ranges.csv" "$work/slurm.csv"

rm -rf "$work/s/results" "$work/s/logs"
mkdir "$work/s/results" "$work/s/logs"
parallel < "$work/s/jobs.txt" > /dev/null
"$cli" study --merge "$work/s" > /dev/null
if ! cmp -s "$work/slurm.csv" "$work/s/ranges.csv"; then
    echo "FAILED: the cluster's merged CSV differs from GNU parallel's"
    diff "$work/slurm.csv" "$work/s/ranges.csv" | head -n 20
    exit 1
fi
echo "passed: 4 jobs on the one-node cluster, merged CSV equal to GNU parallel's"
