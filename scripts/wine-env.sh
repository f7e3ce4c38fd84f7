# Sourced by the Wine scripts: the prefix of one build tree and its creation.
#   . wine-env.sh WINE_DIR win32|win64
mkdir -p "$1"
qw_wine_dir=$(cd "$1" && pwd)
export WINEPREFIX="$qw_wine_dir/prefix"
export WINEARCH=$2
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko install prompts.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml="}

# Creates the prefix on first use; concurrent callers wait for the first.
qw_wine_prefix_ready() {
  [ -f "$WINEPREFIX/.qw-ready" ] && return 0
  mkdir -p "$qw_wine_dir"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/.qw-ready" ]; then
      echo "wine: creating the prefix $WINEPREFIX" >&2
      rm -rf "$WINEPREFIX"
      DISPLAY= wineboot -u >/dev/null 2>&1
      wineserver -w
      touch "$WINEPREFIX/.qw-ready"
    fi
  ) 9>"$qw_wine_dir/.prefix.lock"
}
