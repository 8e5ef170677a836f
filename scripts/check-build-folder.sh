#!/usr/bin/env bash
# Fails when the build folder was configured for another checkout, as when a checkout is
# copied together with its build folder. CMake then only prints an error and exits 0: the
# build runs in the other checkout and `make install` installs that checkout's files.
set -euo pipefail
build=$1
cache=$build/CMakeCache.txt
[ -f "$cache" ] || exit 0
made_in=$(sed -n 's/^CMAKE_CACHEFILE_DIR:INTERNAL=//p' "$cache")
sources=$(sed -n 's/^CMAKE_HOME_DIRECTORY:INTERNAL=//p' "$cache")
here=$(realpath "$build")
top=$(realpath .)
if [ "$(realpath -m "$made_in")" != "$here" ] || [ "$(realpath -m "$sources")" != "$top" ]; then
  echo "$build/ was configured in $made_in for the sources in $sources, not for $top." >&2
  echo "Remove it (make clean) or use another build folder (make ... BUILD=folder)." >&2
  exit 1
fi
