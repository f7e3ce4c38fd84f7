# Sourced by the Wine scripts: the prefix of one build tree and its creation.
#   . wine-env.sh WINE_DIR win32|win64
mkdir -p "$1"
qw_wine_dir=$(cd "$1" && pwd)
export WINEPREFIX="$qw_wine_dir/prefix"
export WINEARCH=$2
export WINEDEBUG=${WINEDEBUG:--all}
# File names in UTF-8 even where the caller's environment names no locale.
[ -n "${LC_ALL:-}${LANG:-}" ] || export LANG=C.UTF-8
# No Mono or Gecko install prompts. No menu builder: it would copy every
# shortcut the tests make into the Unix user's desktop menus (outside the
# prefix) and note each copy under HKCU\Software\Wine\MenuFiles, where it
# stays after the shortcut is gone.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml=;winemenubuilder.exe=d"}

# The dialogs' "MS Shell Dlg" stands for Tahoma. Debian's Wine has no Tahoma
# and takes Liberation Sans, which has no Hebrew or Chinese letters: the
# language list then shows boxes. Tahoma becomes DejaVu Sans (Latin with
# Vietnamese, Greek, Hebrew), linked to WenQuanYi Micro Hei for Chinese.
# Hebrew needs to be in the face itself: right-to-left text is shaped
# through Uniscribe, which does not follow font links.
qw_wine_configure_fonts() {
  DISPLAY= wine reg add 'HKCU\Software\Wine\Fonts\Replacements' \
    /v Tahoma /t REG_SZ /d 'DejaVu Sans' /f >/dev/null 2>&1 || return 1
  DISPLAY= wine reg add \
    'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
    /v 'DejaVu Sans' /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei' \
    /f >/dev/null 2>&1 || return 1
}

# No window manager runs on the tests' Xvfb displays. Wine's X11 driver
# hands its windows to one all the same ("managed") and, whenever it hides
# one, waits two seconds for the manager that never answers: every program
# that closes a window, and every message box, paid that. Unmanaged, Wine
# places and focuses its windows itself.
qw_wine_configure_x11() {
  DISPLAY= wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f >/dev/null 2>&1
}

# The steps after wineboot: qw_wine_configure_STEP, each marked done by
# .qw-STEP in the prefix.
qw_wine_prefix_steps=(fonts x11)

# Creates the prefix on first use; concurrent callers wait for the first.
# Each step has its own mark, so that a prefix made before a step existed
# gets it too.
qw_wine_prefix_ready() {
  local step missing=0
  for step in ready "${qw_wine_prefix_steps[@]}"; do
    [ -f "$WINEPREFIX/.qw-$step" ] || missing=1
  done
  [ $missing -eq 1 ] || return 0
  mkdir -p "$qw_wine_dir"
  (
    flock 9
    if [ ! -f "$WINEPREFIX/.qw-ready" ]; then
      echo "wine: creating the prefix $WINEPREFIX" >&2
      rm -rf "$WINEPREFIX"
      if ! DISPLAY= wineboot -u >"$qw_wine_dir/wineboot.log" 2>&1; then
        cat "$qw_wine_dir/wineboot.log" >&2
        echo "wine: wineboot failed (above)" >&2
        exit 1
      fi
      wineserver -w
      touch "$WINEPREFIX/.qw-ready"
    fi
    for step in "${qw_wine_prefix_steps[@]}"; do
      [ -f "$WINEPREFIX/.qw-$step" ] && continue
      "qw_wine_configure_$step" || { echo "wine: prefix step $step failed" >&2; exit 1; }
      touch "$WINEPREFIX/.qw-$step"
    done
  ) 9>"$qw_wine_dir/.prefix.lock"
}
