#!/bin/sh
# Runs a Windows program under Wine: wine-exec.sh PREFIX PROGRAM [ARGUMENTS...]
# The prefix is created on first use.
set -e
. "$(dirname "$0")/wine-env.sh"
prefix=$1
shift
quenbus_wine_boot "$prefix"
exec "$WINE" "$@"
