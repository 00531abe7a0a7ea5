# A single-node Slurm cluster of its own, for the tests: sourced, it defines
# slurm_start <folder> and slurm_stop. slurm_start makes a munge key, writes
# slurm.conf (one node named after `hostname -s` at 127.0.0.1, free ports,
# no accounting) and starts munged, slurmctld and slurmd in the background as
# root, every file under <folder>; it exports SLURM_CONF for the clients and
# waits until the node is idle. slurm_stop ends the three daemons it started,
# by their process ids. Needs root and Debian's munge, slurmctld, slurmd and
# slurm-client.

slurm_pids=()

slurm_free_port() {
  python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1]); s.close()'
}

slurm_start() {
  local dir=$1 host cpus memory ctld_port slurmd_port i
  host=$(hostname -s)
  cpus=$(nproc)
  memory=$(awk '/MemTotal/ { printf "%d", $2 / 1024 * 0.8 }' /proc/meminfo)
  mkdir -p "$dir/munge" "$dir/state" "$dir/spool" "$dir/log"
  chmod 700 "$dir/munge"
  dd if=/dev/urandom bs=1 count=1024 of="$dir/munge/munge.key" status=none
  chmod 400 "$dir/munge/munge.key"
  munged --foreground --force --key-file="$dir/munge/munge.key" --socket="$dir/munge/munge.socket" \
    --pid-file="$dir/munge/munged.pid" --log-file="$dir/log/munged.log" --seed-file="$dir/munge/munged.seed" \
    >"$dir/log/munged.out" 2>&1 &
  slurm_pids+=($!)
  for i in $(seq 50); do [ -S "$dir/munge/munge.socket" ] && break; sleep 0.1; done
  [ -S "$dir/munge/munge.socket" ] || { echo "munged did not start:"; cat "$dir/log/munged.out" "$dir/log/munged.log"; return 1; }

  ctld_port=$(slurm_free_port)
  slurmd_port=$(slurm_free_port)
  cat >"$dir/slurm.conf" <<CONF
ClusterName=zubtest
SlurmctldHost=$host(127.0.0.1)
SlurmctldPort=$ctld_port
SlurmdPort=$slurmd_port
AuthType=auth/munge
AuthInfo=socket=$dir/munge/munge.socket
CredType=cred/munge
SlurmUser=root
SlurmdUser=root
StateSaveLocation=$dir/state
SlurmdSpoolDir=$dir/spool
SlurmctldPidFile=$dir/slurmctld.pid
SlurmdPidFile=$dir/slurmd.pid
SlurmctldLogFile=$dir/log/slurmctld.log
SlurmdLogFile=$dir/log/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
SwitchType=switch/none
MpiDefault=none
ReturnToService=2
SchedulerType=sched/backfill
SelectType=select/cons_tres
SelectTypeParameters=CR_CPU_Memory
AccountingStorageType=accounting_storage/none
JobAcctGatherType=jobacct_gather/none
JobCompType=jobcomp/none
MinJobAge=600
SlurmdTimeout=60
NodeName=$host NodeAddr=127.0.0.1 CPUs=$cpus RealMemory=$memory State=UNKNOWN
PartitionName=debug Nodes=$host Default=YES MaxTime=INFINITE State=UP
CONF
  export SLURM_CONF=$dir/slurm.conf
  slurmctld -D -c -f "$SLURM_CONF" >"$dir/log/slurmctld.out" 2>&1 &
  slurm_pids+=($!)
  slurmd -D -f "$SLURM_CONF" -N "$host" >"$dir/log/slurmd.out" 2>&1 &
  slurm_pids+=($!)
  for i in $(seq 60); do
    sinfo -h -N -o '%T' 2>/dev/null | grep -qx idle && return 0
    sleep 0.5
  done
  echo "the Slurm node did not come up:"
  sinfo -N 2>&1 || true
  tail -n 20 "$dir/log/slurmctld.log" "$dir/log/slurmd.log" "$dir/log/slurmctld.out" "$dir/log/slurmd.out" 2>/dev/null
  return 1
}

slurm_stop() {
  local pid i
  for pid in "${slurm_pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${slurm_pids[@]}"; do
    for i in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  slurm_pids=()
}
