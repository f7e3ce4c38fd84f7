#!/usr/bin/env bash
# Prints which Wine path this host's tests take, as "TREE ARCH":
#   "windows win32"    the host runs 32-bit programs and wine32 is installed:
#                      the shipped i686 installer itself runs in a 32-bit prefix
#   "windows64 win64"  otherwise: an x86-64 build of the same code runs in a
#                      64-bit prefix, and the shipped i686 file is only read
# With --why, prints one line saying why the 64-bit path was taken (nothing
# on the 32-bit path).
set -u
here=$(cd "$(dirname "$0")" && pwd)
runs_i386=0
"$here/host-runs-i386.sh" && runs_i386=1
wine32=0
dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null | grep -q 'install ok installed' && wine32=1

if [ "$runs_i386" -eq 1 ] && [ "$wine32" -eq 1 ]; then
  [ "${1:-}" = --why ] || echo "windows win32"
elif [ "${1:-}" = --why ]; then
  if [ "$runs_i386" -eq 1 ]; then
    echo "wine32 could not be installed on this host, so the 64-bit path was taken"
  else
    echo "this host runs 64-bit programs only (no IA-32 emulation)"
  fi
else
  echo "windows64 win64"
fi
