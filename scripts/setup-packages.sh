# Sourced by setup.sh (and by its test): installs the packages of one Wine
# path and falls back when apt cannot resolve them.
#
#   qw_install_packages RUNS_I386 RELEASE COMMON... -- WINE32... -- WINE64...
#
# Tries, in order, until one succeeds:
#   1. (host runs 32-bit programs) COMMON + WINE32 with every suite's lists;
#   2. the same from RELEASE itself (-t RELEASE): a suite whose index for one
#      architecture is stale or missing (a mirror in the middle of a sync)
#      shows apt newer versions of the other architecture's half of a
#      Multi-Arch library than it can find for i386, and the resolver gives up;
#   3. COMMON + WINE64, then with -t RELEASE: the 64-bit path.
# The caller defines apt_install ARGS... (apt-get install's options and
# packages; its status is apt's) and say TEXT. Sets qw_wine_path to win32 or
# win64 and qw_packages_note to one line on a fallback taken (else empty).
# Returns 1 when no attempt succeeded; qw_apt_log then holds apt's output.

qw_install_packages() {
  local runs_i386=$1 release=$2
  shift 2
  local common=() wine32=() wine64=()
  while [ $# -gt 0 ] && [ "$1" != -- ]; do common+=("$1"); shift; done
  shift
  while [ $# -gt 0 ] && [ "$1" != -- ]; do wine32+=("$1"); shift; done
  shift
  wine64=("$@")
  qw_packages_note=""
  qw_apt_log=""

  if [ "$runs_i386" -eq 1 ]; then
    if qw_apt_try "${common[@]}" "${wine32[@]}"; then
      qw_wine_path=win32
      return 0
    fi
    if qw_apt_try -t "$release" "${common[@]}" "${wine32[@]}"; then
      qw_wine_path=win32
      qw_packages_note="apt could not resolve wine32 with every suite's package lists (one is stale or missing); installed from $release itself (-t $release)"
      return 0
    fi
  fi
  if qw_apt_try "${common[@]}" "${wine64[@]}"; then
    qw_wine_path=win64
  elif qw_apt_try -t "$release" "${common[@]}" "${wine64[@]}"; then
    qw_wine_path=win64
  else
    return 1
  fi
  if [ "$runs_i386" -eq 1 ]; then
    qw_packages_note="wine32 cannot be installed on this host (apt's reason is in build/setup-apt.log): took the 64-bit Wine path; the shipped 32-bit installer is NOT executed by the tests"
  fi
  return 0
}

# One apt attempt; its output is kept for the caller.
qw_apt_try() {
  local out status=0
  out=$(apt_install "$@" 2>&1) || status=$?
  qw_apt_log+="\$ apt-get install $*"$'\n'"$out"$'\n'
  return $status
}
