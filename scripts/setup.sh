#!/usr/bin/env bash
# Installs every Debian package the build and the tests need, enables deb-src
# entries and fetches the source packages the Windows dependencies are built
# from. Idempotent: quiet and quick when everything is already present.
set -euo pipefail

top=$(cd "$(dirname "$0")/.." && pwd)
sources_dir="$top/build/third_party"

packages=(
  cmake make g++ binutils pkg-config dpkg-dev
  ccache  # a second clone or tree compiles only what changed (cmake/CompilerCache.cmake)
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
  wine xvfb xdotool imagemagick x11-utils
  googletest libboost1.74-dev libboost-filesystem1.74-dev
  libboost-iostreams1.74-dev libbz2-dev
  liblnk-utils gcab locales
  clang libclang-rt-14-dev
  nsis  # for scripts/nsis-bench.sh only: the NSIS installer the installer is timed against
  fonts-dejavu-core fonts-wqy-microhei fonts-liberation
)

say() { echo "setup: $*"; }

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

need_update=0

# Refreshes the package lists. A mirror in the middle of a sync fails some
# index files; apt then keeps the lists it has, and a package that is
# really missing fails the install below with apt's own message.
apt_update() {
  as_root apt-get update -qq || say "apt-get update reported errors (above); going on with the lists it has"
}

# A fresh machine (a container image) may have no package lists at all.
if ! compgen -G '/var/lib/apt/lists/*_Packages*' >/dev/null; then
  apt_update
fi
if [ ! -x /usr/bin/as ] || [ ! -x /usr/bin/ld ]; then
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq binutils >/dev/null
fi
host_runs_i386=0
"$top/scripts/host-runs-i386.sh" && host_runs_i386=1
release=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
# Wine only recommends the X extensions its display driver loads; packages
# are installed without recommendations, so they are listed here.
wine_x_libraries=(libxrender1 libxrandr2 libxi6 libxcursor1 libxinerama1 libxcomposite1 libxfixes3)
# The shipped installer is 32-bit and is tested in a 32-bit Wine prefix when
# this host can run 32-bit programs (wine32). Hosts that run 64-bit user code
# only test a 64-bit build of the same code under wine64 instead.
wine32_packages=(wine32:i386 "${wine_x_libraries[@]/%/:i386}")
wine64_packages=(wine64 g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix
                 binutils-mingw-w64-x86-64 "${wine_x_libraries[@]}")

if [ "$host_runs_i386" -eq 1 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  say "adding the i386 architecture (for wine32)"
  as_root dpkg --add-architecture i386
  need_update=1
fi

# deb-src entries of Debian's own archive, for apt-get source (other
# repositories may have no sources, which would fail apt-get update).
# Debian 12 keeps its sources in deb822 form.
enable_deb_src() {
  local changed=0 f
  for f in /etc/apt/sources.list.d/*.sources; do
    [ -f "$f" ] || continue
    grep -qE '^URIs:.*(deb|security)\.debian\.org' "$f" || continue
    if grep -qE '^Types: deb$' "$f"; then
      as_root sed -i 's/^Types: deb$/Types: deb deb-src/' "$f" || exit 1
      changed=1
    fi
  done
  if [ -f /etc/apt/sources.list ] && grep -qE '^deb .*debian\.org' /etc/apt/sources.list \
     && ! grep -qE '^deb-src ' /etc/apt/sources.list; then
    grep -E '^deb .*debian\.org' /etc/apt/sources.list | sed 's/^deb /deb-src /' \
      | as_root tee -a /etc/apt/sources.list >/dev/null
    changed=1
  fi
  return $changed
}
if ! enable_deb_src; then
  say "enabled deb-src entries"
  need_update=1
fi

# True when every named package is installed (one dpkg-query for all).
all_installed() {
  local states
  states=$(dpkg-query -W -f='${Status}\n' "$@" 2>/dev/null | grep -c 'install ok installed' || true)
  [ "$states" -eq $# ]
}

# Quiet when one whole path is present; otherwise install what is missing.
if all_installed "${packages[@]}" &&
   { all_installed "${wine32_packages[@]}" ||
     { all_installed "${wine64_packages[@]}" && [ -f "$top/build/.wine32-unavailable" ]; } ||
     { all_installed "${wine64_packages[@]}" && [ "$host_runs_i386" -eq 0 ]; }; }; then
  :
else
  say "installing the packages that are missing"
  apt_update
  need_update=0
  apt_install() {
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "$@"
  }
  . "$top/scripts/setup-packages.sh"
  mkdir -p "$top/build"
  if ! qw_install_packages "$host_runs_i386" "$release" "${packages[@]}" \
         -- "${wine32_packages[@]}" -- "${wine64_packages[@]}"; then
    printf '%s' "$qw_apt_log" >&2
    echo "setup: apt could not install the packages (above)" >&2
    exit 1
  fi
  printf '%s' "$qw_apt_log" >"$top/build/setup-apt.log"
  if [ "$qw_wine_path" = win64 ] && [ "$host_runs_i386" -eq 1 ]; then
    touch "$top/build/.wine32-unavailable"
  else
    rm -f "$top/build/.wine32-unavailable"
  fi
  [ -z "$qw_packages_note" ] || say "$qw_packages_note"
fi
# New deb-src entries need fresh lists for apt-get source.
[ "$need_update" -eq 0 ] || apt_update
if [ -f "$top/build/.wine32-unavailable" ] && ! all_installed "${wine32_packages[@]}"; then
  say "wine32 could not be installed earlier (build/setup-apt.log): the tests take the 64-bit path and do not execute the shipped 32-bit installer; remove build/.wine32-unavailable to try again"
fi

# Wine names files in the character set of the Unix locale it runs in. The
# tests start the installer as French, German, Danish... users (LC_ALL=xx_YY.UTF-8);
# a locale that is not generated falls back to ASCII, and an accented file
# name ("Désinstaller Meridel.lnk") cannot be created.
test_locales=(fr_FR de_DE en_US da_DK nl_NL cs_CZ he_IL it_IT tr_TR vi_VN zh_CN zh_TW ja_JP)
missing_locales=()
known_locales=$(locale -a 2>/dev/null || true)
for l in "${test_locales[@]}"; do
  grep -qx "$l.utf8" <<<"$known_locales" || missing_locales+=("$l")
done
if [ ${#missing_locales[@]} -gt 0 ]; then
  say "generating the UTF-8 locales the tests start Wine in: ${missing_locales[*]}"
  for l in "${missing_locales[@]}"; do
    if grep -qE "^# *$l.UTF-8 UTF-8" /etc/locale.gen; then
      as_root sed -i -E "s/^# *($l.UTF-8 UTF-8)/\1/" /etc/locale.gen
    elif ! grep -qx "$l.UTF-8 UTF-8" /etc/locale.gen; then
      echo "$l.UTF-8 UTF-8" | as_root tee -a /etc/locale.gen >/dev/null
    fi
  done
  as_root locale-gen >/dev/null
fi

# Source packages of the Windows dependencies. Unpacking Boost's takes
# minutes and half a gigabyte, so they are kept once per machine, under the
# version of the Debian binary package whose headers they go with, and each
# clone's build folder links them.
machine_sources=${QW_SOURCE_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/meridel-build/sources}

# fetch_source SOURCE_PACKAGE MARKER_GLOB BINARY_PACKAGE
fetch_source() {
  local pkg=$1 marker=$2 binary=$3
  if compgen -G "$sources_dir/$marker" >/dev/null; then return 0; fi
  local version cached
  version=$(dpkg-query -W -f='${Version}' "$binary")
  cached="$machine_sources/$pkg/$version"
  if ! compgen -G "$cached/$marker" >/dev/null; then
    say "fetching Debian's $pkg source package (kept in $cached for other clones)"
    # Unpacked beside the cache and renamed into it whole, so that a clone
    # set up at the same time never links a half-unpacked folder.
    local partial="$machine_sources/$pkg/.partial.$$"
    rm -rf "$partial"
    mkdir -p "$partial"
    unpack_source "$pkg" "$marker" "$partial"
    mv -T "$partial" "$cached" 2>/dev/null || rm -rf "$partial"
  fi
  mkdir -p "$sources_dir"
  local d
  for d in "$cached"/*/; do
    d=${d%/}
    ln -sfn "$d" "$sources_dir/$(basename "$d")"
  done
  compgen -G "$sources_dir/$marker" >/dev/null || {
    echo "setup: $cached has no $marker" >&2
    exit 1
  }
}

unpack_source() {
  local pkg=$1 marker=$2 into=$3
  local log="$into/$pkg.log"
  if ! (cd "$into" && apt-get source -qq "$pkg") >"$log" 2>&1; then
    # apt-get source may fail only at unpacking when dpkg-source is picky;
    # retry with the download alone and unpack the original tarball into a
    # folder named like dpkg-source's (boost's tarball has no top folder).
    if ! (cd "$into" && apt-get source -qq --download-only "$pkg") >>"$log" 2>&1; then
      cat "$log" >&2
      echo "setup: cannot fetch the $pkg source package" >&2
      exit 1
    fi
    local t version
    for t in "$into/${pkg}"_*.orig.tar.*; do
      version=$(basename "$t"); version=${version#"${pkg}"_}; version=${version%%.orig.tar.*}
      mkdir -p "$into/$pkg-$version"
      tar xf "$t" -C "$into/$pkg-$version" --strip-components="$(top_folder_depth "$t")"
    done
  fi
  compgen -G "$into/$marker" >/dev/null || {
    cat "$log" >&2
    echo "setup: the $pkg source package has no $marker" >&2
    exit 1
  }
  # The downloaded archives are not needed once unpacked.
  rm -f "$into"/*.tar.* "$into"/*.dsc
}

# 1 when every member of the tarball lies in one top folder, else 0.
top_folder_depth() {
  local tops
  tops=$(tar tf "$1" | cut -d/ -f1 | sort -u | wc -l)
  if [ "$tops" -eq 1 ]; then echo 1; else echo 0; fi
}
fetch_source boost1.74 'boost1.74-*/libs/filesystem/src' libboost1.74-dev
fetch_source bzip2 'bzip2-*/bzlib.c' libbz2-dev
