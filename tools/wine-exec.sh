#!/bin/sh
# Runs a Windows program under Wine: wine-exec.sh [--arch win32|win64] PREFIX PROGRAM [ARGUMENTS...]
# The prefix is created on first use, of the architecture given (win64 unless
# told otherwise); an existing prefix keeps its own.
set -e
if [ "$1" = --arch ]; then
    export WINEARCH="$2"
    shift 2
fi
. "$(dirname "$0")/wine-env.sh"
prefix=$1
shift
quenbus_wine_boot "$prefix"
exec "$WINE" "$@"
