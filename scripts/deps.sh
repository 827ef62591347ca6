#!/bin/sh
# Installs the Debian packages Tessavo needs, only those that are missing.
# munge and slurm-wlm serve the cluster scripts, which run daemons of their own in a temporary
# folder (scripts/slurm-local.sh). Installing them starts no service on a machine without
# systemd (containers, CI): their maintainer scripts ask invoke-rc.d, which finds no runlevel
# there and declines to start anything. Where systemd runs, Debian starts the packages' own
# munge service as usual; Tessavo never uses it.
set -e
PACKAGES="g++ make cmake pkg-config qt6-base-dev libgl-dev libjpeg-dev libgtest-dev libbenchmark-dev xvfb xauth gnuplot-nox fonts-liberation2 libfftw3-dev librandom123-dev xdotool imagemagick-6.q16 pybind11-dev python3-dev python3-numpy python3-pytest python3-distributed python3-matplotlib python3-setuptools python3-wheel python3-pip python3-venv libhdf5-dev slurm-wlm munge parallel python3-h5py"
missing=""
for p in $PACKAGES; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $p"
  fi
done
[ -z "$missing" ] && exit 0
echo "Installing:$missing"
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO=sudo
$SUDO apt-get update
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y $missing
