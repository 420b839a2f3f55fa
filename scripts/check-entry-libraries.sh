#!/bin/sh
# Fails when the entry program needs a shared library other than the C
# library, libm and the loader: `lunebox --status` starts fast only while
# it loads no shared C++ runtime or library.
#
#   sh scripts/check-entry-libraries.sh PATH_TO_LUNEBOX
set -eu

needed=$(readelf -d "$1" | sed -n 's/.*Shared library: \[\(.*\)\]/\1/p')
for library in $needed; do
    case $library in
    libc.so.* | libm.so.* | ld-linux*) ;;
    *)
        echo "$1 needs $library: the status command must start without it" >&2
        echo "(code the status command reaches may not use the C++ libraries; see docs/ARCHITECTURE.md)" >&2
        exit 1
        ;;
    esac
done
