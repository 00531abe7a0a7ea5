#!/usr/bin/env bash
# Installs what the build and the tests need on a Debian machine, when missing:
# a C++ compiler, CMake, GSL, nlohmann-json, a JDK (for the JNI library and the
# Java host harness), GoogleTest, and clang with its libFuzzer runtime for the
# fuzz targets; xmllint (libxml2-utils) and Chromium to check the cluster
# pictures and the HTML report (the browser tests skip where Chromium is
# missing), librsvg2-bin (rsvg-convert) for PNG and PDF figures; Snakemake for
# the workflow of split runs; zlib for gzip-compressed annotation files and
# pkg-config for the installed-library test; MMseqs2 for zub families; Slurm
# (slurm-wlm: slurmctld, slurmd, the client commands) and munge for the test
# that runs the workflow on a single-node Slurm cluster of its own.
set -euo pipefail

packages=(g++ cmake make libgsl-dev nlohmann-json3-dev zlib1g-dev pkg-config default-jdk-headless libgtest-dev clang
  libclang-rt-dev libxml2-utils chromium librsvg2-bin snakemake mmseqs2 slurm-wlm munge)
missing=()
for p in "${packages[@]}"; do
  dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p")
done
# A JDK that came another way (javac on the PATH) is good enough.
if command -v javac >/dev/null 2>&1; then
  missing=("${missing[@]/default-jdk-headless}")
fi
missing=($(printf '%s\n' "${missing[@]}" | grep -v '^$' || true))

if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "installing: ${missing[*]}"
  $sudo apt-get update
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi
