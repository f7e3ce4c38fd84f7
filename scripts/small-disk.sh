#!/usr/bin/env bash
# A tiny disk for the full-disk test: a 256 KiB tmpfs linked as drive Q: of
# a build tree's Wine prefix, holding a marker file "qw-small-disk".
#   small-disk.sh mount|unmount WINE_DIR win32|win64
# Mounting needs root; without it (or in a container that forbids mounts)
# it says why and exits 0, and the test that needs the disk skips.
set -u
action=$1
. "$(dirname "$0")/wine-env.sh" "$2" "$3"
disk="$qw_wine_dir/small-disk"
link="$WINEPREFIX/dosdevices/q:"

case "$action" in
  mount)
    mkdir -p "$disk"
    if ! mountpoint -q "$disk"; then
      if ! mount -t tmpfs -o size=256k tmpfs "$disk" 2>/dev/null; then
        echo "small-disk: cannot mount a tmpfs (needs root); the full-disk test will skip"
        exit 0
      fi
    fi
    touch "$disk/qw-small-disk"
    mkdir -p "$WINEPREFIX/dosdevices"
    ln -sfn "$disk" "$link"
    echo "small-disk: $disk is drive Q:"
    ;;
  unmount)
    rm -f "$link"
    if mountpoint -q "$disk"; then umount "$disk"; fi
    rmdir "$disk" 2>/dev/null
    exit 0
    ;;
  *)
    echo "usage: small-disk.sh mount|unmount WINE_DIR win32|win64" >&2
    exit 2
    ;;
esac
