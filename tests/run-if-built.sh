#!/bin/sh
# Runs a test program from another build tree (for example the ThreadSanitizer
# build), or reports the test as skipped when that tree has not been built.
if [ ! -x "$1" ]; then
    echo "skipped: $1 has not been built (the set-up command builds it)"
    exit 77
fi
exec "$@"
