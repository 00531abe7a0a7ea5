#!/usr/bin/env python3
"""Snakemake cluster-status script for Slurm without accounting.

Prints running, success or failed for the job id given (what sbatch
--parsable printed). squeue knows pending and running jobs; scontrol knows a
finished job for MinJobAge seconds (300 by default). A job neither knows any
more has ended long ago: success, and Snakemake then checks its outputs.
"""
import subprocess
import sys

RUNNING = {"PENDING", "CONFIGURING", "RUNNING", "COMPLETING", "SUSPENDED", "REQUEUED", "RESIZING",
           "STAGE_OUT", "SIGNALING", "REQUEUE_HOLD", "REQUEUE_FED", "RESV_DEL_HOLD", "STOPPED"}


def state(job):
    """The job's state; GONE when Slurm no longer knows it, None when Slurm did not answer."""
    out = subprocess.run(["squeue", "-h", "-j", job, "-o", "%T"], capture_output=True, text=True)
    if out.returncode == 0 and out.stdout.strip():
        return out.stdout.split()[0]
    out = subprocess.run(["scontrol", "-o", "show", "job", job], capture_output=True, text=True)
    for field in out.stdout.split():
        if field.startswith("JobState="):
            return field.split("=", 1)[1]
    if "Invalid job id" in out.stderr:
        return "GONE"
    return None


def main():
    job = sys.argv[1].split(";")[0].strip()
    current = state(job)
    if current is None:  # the controller did not answer: ask again later
        print("running")
    elif current in ("COMPLETED", "GONE"):
        print("success")
    elif current in RUNNING:
        print("running")
    else:  # FAILED, CANCELLED, TIMEOUT, OUT_OF_MEMORY, NODE_FAIL, BOOT_FAIL, DEADLINE, PREEMPTED
        print("failed")


if __name__ == "__main__":
    main()
