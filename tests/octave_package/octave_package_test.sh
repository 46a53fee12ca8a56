#!/bin/bash
# The Octave package as a user meets it: "pkg install" of the archive into a
# scratch prefix (which builds it with mkoctfile), "pkg load quenbus", the
# commands on the simulated bus, and "help" showing the MATLAB help text.
# usage: octave_package_test.sh PACKAGE_ARCHIVE SCRATCH_DIR
set -u
archive=$1
scratch=$2
rm -rf "$scratch"
mkdir -p "$scratch"
exec octave-cli --no-init-file --no-gui --eval "
  pkg('prefix', '$scratch', '$scratch');
  pkg('local_list', '$scratch/octave_packages');
  pkg('install', '$archive');
  addpath('$(dirname "$0")');
  exit(package_checks('$scratch'));"
