# Wine helpers for ./dev (sourced; uses BUILD, ROOT and say).
# A private prefix copied from a template, a virtual X display and a
# persistent wine server, so that each test program starts in a fraction of
# a second and windowed tests run headless.
#
# Two Windows trees: build/win32 (the product, 32-bit) and build/win64 (the
# same code as 64-bit programs). Each has its own loader, prefix and server;
# wine_use selects one. Debian installs the loaders as /usr/lib/wine/wine and
# /usr/lib/wine/wine64; /usr/bin/wine prefers the 32-bit one when present.

WINE_XVFB_PID=
WINE_OUTER_DISPLAY=
WINE_TREE=
WINE_LOADER=
WINE_STARTED=()
SIM_CLSID='{B8A9279E-C453-11D4-AD45-0060080BA634}'
if [ -x /usr/lib/wine/wineserver64 ]; then
  WINE_SERVER=/usr/lib/wine/wineserver64
elif [ -x /usr/lib/wine/wineserver32 ]; then
  WINE_SERVER=/usr/lib/wine/wineserver32
else
  WINE_SERVER=wineserver
fi
export WINESERVER=$WINE_SERVER

# Z: is the root folder in every prefix.
wine_path() { local p; p=$(realpath -m "$1"); printf 'Z:%s' "${p//\//\\}"; }

# wine_use win32|win64: the loader and prefix for that tree.
wine_use() {
  WINE_TREE=$1
  export WINEPREFIX=$BUILD/wine-prefix-$1
  if [ "$1" = win64 ]; then
    WINE_LOADER=/usr/lib/wine/wine64
    export WINEARCH=win64 WINELOADER=$WINE_LOADER  # helper processes are 64-bit too
  else
    WINE_LOADER=/usr/lib/wine/wine
    [ -x "$WINE_LOADER" ] || WINE_LOADER=wine
    export WINEARCH=win32
    unset WINELOADER
  fi
}

wine_run() { "$WINE_LOADER" "$@"; }

# The 32-bit loader is a 32-bit Linux program: a kernel built or booted
# without 32-bit support (ia32_emulation=off) cannot start it.
wine_can_run_32() { /usr/lib/wine/wine --version </dev/null >/dev/null 2>&1; }

wine_check() {
  local out
  if out=$("$WINE_LOADER" --version 2>&1 </dev/null); then return 0; fi
  echo "Wine ($WINE_LOADER) cannot run here: $out" >&2
  if grep -q 'Exec format error' <<<"$out"; then
    echo "This kernel does not run 32-bit programs (boot it with ia32_emulation=on)." >&2
  fi
  return 1
}

wine_make_template() {
  local template=$BUILD/wine-template-$WINE_TREE
  [ -f "$template/system.reg" ] && return 0
  say "creating the $WINEARCH Wine prefix template (once)"
  rm -rf "$template.tmp"
  mkdir -p "$BUILD"
  WINEPREFIX=$template.tmp wine_run wineboot -i </dev/null >/dev/null 2>&1
  cp /usr/share/wine/fonts/*.ttf "$template.tmp/drive_c/windows/Fonts/"
  # Without a window manager, managed windows stall on every hide and close.
  WINEPREFIX=$template.tmp wine_run reg add 'HKCU\Software\Wine\X11 Driver' /v Managed \
    /t REG_SZ /d N /f </dev/null >/dev/null 2>&1
  WINEPREFIX=$template.tmp "$WINE_SERVER" -w  # the registry is saved when the server ends
  if [ ! -f "$template.tmp/system.reg" ]; then
    echo "creating the Wine prefix $template failed" >&2
    return 1
  fi
  mv "$template.tmp" "$template"
}

# Starts Xvfb on the first free display from :90 and exports DISPLAY.
wine_start_display() {
  local n
  for n in $(seq 90 140); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
    WINE_XVFB_PID=$!
    local tries=0
    while [ ! -e "/tmp/.X11-unix/X$n" ] && kill -0 "$WINE_XVFB_PID" 2>/dev/null &&
          [ $tries -lt 100 ]; do
      sleep 0.05; tries=$((tries + 1))
    done
    if [ -e "/tmp/.X11-unix/X$n" ]; then
      export DISPLAY=:$n
      return 0
    fi
    kill "$WINE_XVFB_PID" 2>/dev/null || true
    wait "$WINE_XVFB_PID" 2>/dev/null || true
    WINE_XVFB_PID=
  done
  echo "no free X display for Xvfb" >&2
  return 1
}

# wine_start win32|win64: a fresh prefix for the tree with its own persistent
# server and the tree's simulated card registered. Leaves the tree selected.
wine_start() {
  wine_use "$1"
  wine_check || return 1
  if [ -z "$WINE_XVFB_PID" ]; then
    WINE_OUTER_DISPLAY=${DISPLAY:-}
    wine_start_display || return 1
  fi
  wine_make_template || return 1
  "$WINE_SERVER" -k </dev/null >/dev/null 2>&1 || true  # a server left from an earlier run
  rm -rf "$WINEPREFIX"
  cp -a "$BUILD/wine-template-$WINE_TREE" "$WINEPREFIX"
  # Standard input and output from /dev/null: wine's helper processes must not
  # hold the pipes of whoever started them (ctest waits for those to close).
  "$WINE_SERVER" -p </dev/null >/dev/null 2>&1
  WINE_STARTED+=("$WINE_TREE")
  wine_run wineboot </dev/null >/dev/null 2>&1
  local sim=$BUILD/$WINE_TREE/sim/SimVamp.dll
  if [ -f "$sim" ]; then
    wine_run regsvr32 /s "$(wine_path "$sim")" </dev/null >/dev/null 2>&1 ||
      echo "registering $sim failed" >&2
    wine_run reg query "HKCR\\CLSID\\$SIM_CLSID\\InprocServer32" </dev/null >/dev/null 2>&1 ||
      echo "the simulated card's class is not registered" >&2
  fi
  say "$WINEARCH Wine prefix $WINEPREFIX on display $DISPLAY"
}

# wine_report_windows VERSION: the selected prefix tells the programs started
# from now on that it is that Windows (a winecfg name: winxp, win7, ...);
# "default" goes back to Wine's own choice. Fails unless "ver" then agrees.
wine_report_windows() {
  local number
  case $1 in
    default) wine_run reg delete 'HKCU\Software\Wine' /v Version /f </dev/null >/dev/null 2>&1; return 0 ;;
    winxp) number=5.1 ;;
    win7) number=6.1 ;;
    *) return 1 ;;
  esac
  wine_run reg add 'HKCU\Software\Wine' /v Version /t REG_SZ /d "$1" /f </dev/null >/dev/null 2>&1 || return 1
  if ! wine_run cmd /c ver </dev/null 2>/dev/null | grep -q "Windows $number\."; then
    echo "the $WINEARCH prefix does not report Windows $number after setting $1" >&2
    return 1
  fi
}

# Ends the servers of every started tree and the display.
wine_stop() {
  local tree
  for tree in "${WINE_STARTED[@]}"; do
    WINEPREFIX=$BUILD/wine-prefix-$tree "$WINE_SERVER" -k </dev/null >/dev/null 2>&1 || true
  done
  WINE_STARTED=()
  if [ -n "$WINE_XVFB_PID" ]; then
    kill "$WINE_XVFB_PID" 2>/dev/null || true
    wait "$WINE_XVFB_PID" 2>/dev/null || true
    WINE_XVFB_PID=
  fi
  if [ -n "$WINE_OUTER_DISPLAY" ]; then export DISPLAY=$WINE_OUTER_DISPLAY; else unset DISPLAY; fi
}

# demo_win32 SETUP [demo arguments]: the demo core under Wine with the real
# DLL of the selected tree. With SETUP 1 the dialog shows on the person's
# display when there is one, otherwise on the virtual one, and a screenshot
# is saved.
demo_win32() {
  local setup=$1; shift
  local exe=$BUILD/$WINE_TREE/tools/demo_core.exe dll=$BUILD/$WINE_TREE/SAA713x.dll
  if [ ! -f "$exe" ] || [ ! -f "$dll" ]; then
    echo "the Windows demo is not built ($exe, $dll)" >&2
    return 1
  fi
  local args=(--plugin "$(wine_path "$dll")" --folder "$(wine_path "$ROOT/tools/demo")"
              --work "$(wine_path "$BUILD/demo-run-$WINE_TREE")")
  while [ $# -gt 0 ]; do
    case $1 in
      --script|--work|--folder) args+=("$1" "$(wine_path "$2")"); shift ;;
      *) args+=("$1") ;;
    esac
    shift
  done
  if [ "$setup" != 1 ]; then
    wine_run "$exe" "${args[@]}" </dev/null
    return
  fi
  local shot=$BUILD/setup-dialog.png
  if [ -n "$WINE_OUTER_DISPLAY" ]; then
    # The server is bound to the display it started on: restart it on the person's.
    "$WINE_SERVER" -k </dev/null >/dev/null 2>&1 || true
    export DISPLAY=$WINE_OUTER_DISPLAY
    "$WINE_SERVER" -p </dev/null >/dev/null 2>&1
  fi
  wine_run "$exe" "${args[@]}" --setup </dev/null &
  local demo=$!
  sleep 4
  import -window root "$shot" && say "screenshot of the setup dialog: $shot"
  if [ -n "$WINE_OUTER_DISPLAY" ]; then
    say "close the dialog to end the demo"
    wait "$demo"
  else
    kill "$demo" 2>/dev/null || true
    wait "$demo" 2>/dev/null || true
  fi
}
