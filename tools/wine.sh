# Wine helpers for ./dev (sourced; uses BUILD, ROOT and say).
# A private prefix copied from a template, a virtual X display and a
# persistent wine server, so that each test program starts in a fraction of
# a second and windowed tests run headless.

WINE_XVFB_PID=
WINE_OUTER_DISPLAY=
SIM_CLSID='{B8A9279E-C453-11D4-AD45-0060080BA634}'

# Z: is the root folder in every prefix.
wine_path() { local p; p=$(realpath -m "$1"); printf 'Z:%s' "${p//\//\\}"; }

# Wine's loader is a 32-bit Linux program: a kernel booted without 32-bit
# support (ia32_emulation=off) cannot start it.
wine_check() {
  local out
  if out=$(wine --version 2>&1); then return 0; fi
  echo "Wine cannot run here: $out" >&2
  if grep -q 'Exec format error' <<<"$out"; then
    echo "This kernel does not run 32-bit programs (boot it with ia32_emulation=on)." >&2
  fi
  return 1
}

wine_make_template() {
  local template=$BUILD/wine-template
  [ -f "$template/system.reg" ] && return 0
  say "creating the Wine prefix template (once)"
  rm -rf "$template.tmp"
  mkdir -p "$BUILD"
  WINEPREFIX=$template.tmp wine wineboot -i </dev/null >/dev/null 2>&1
  cp /usr/share/wine/fonts/*.ttf "$template.tmp/drive_c/windows/Fonts/"
  # Without a window manager, managed windows stall on every hide and close.
  WINEPREFIX=$template.tmp wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ \
    /d N /f </dev/null >/dev/null 2>&1
  WINEPREFIX=$template.tmp wineserver -w  # the registry is saved when the server ends
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

wine_start() {
  wine_check || return 1
  WINE_OUTER_DISPLAY=${DISPLAY:-}
  wine_start_display || return 1
  wine_make_template
  export WINEPREFIX=$BUILD/wine-prefix
  wineserver -k </dev/null >/dev/null 2>&1 || true  # a server left from an earlier run
  rm -rf "$WINEPREFIX"
  cp -a "$BUILD/wine-template" "$WINEPREFIX"
  # Standard input and output from /dev/null: wine's helper processes must not
  # hold the pipes of whoever started them (ctest waits for those to close).
  wineserver -p </dev/null >/dev/null 2>&1
  wine wineboot </dev/null >/dev/null 2>&1
  local sim=$BUILD/win32/sim/SimVamp.dll
  if [ -f "$sim" ]; then
    wine regsvr32 /s "$(wine_path "$sim")" </dev/null >/dev/null 2>&1 ||
      echo "registering $sim failed" >&2
    wine reg query "HKCR\\CLSID\\$SIM_CLSID\\InprocServer32" </dev/null >/dev/null 2>&1 ||
      echo "the simulated card's class is not registered" >&2
  fi
  say "Wine prefix $WINEPREFIX on display $DISPLAY"
}

wine_stop() {
  if [ -n "${WINEPREFIX:-}" ]; then wineserver -k </dev/null >/dev/null 2>&1 || true; fi
  if [ -n "$WINE_XVFB_PID" ]; then
    kill "$WINE_XVFB_PID" 2>/dev/null || true
    wait "$WINE_XVFB_PID" 2>/dev/null || true
    WINE_XVFB_PID=
  fi
  if [ -n "$WINE_OUTER_DISPLAY" ]; then export DISPLAY=$WINE_OUTER_DISPLAY; else unset DISPLAY; fi
}

# demo_win32 SETUP [demo arguments]: the demo core under Wine with the real DLL.
# With SETUP 1 the dialog shows on the person's display when there is one,
# otherwise on the virtual one, and a screenshot is saved.
demo_win32() {
  local setup=$1; shift
  local exe=$BUILD/win32/tools/demo_core.exe dll=$BUILD/win32/SAA713x.dll
  if [ ! -f "$exe" ] || [ ! -f "$dll" ]; then
    echo "the Win32 demo is not built ($exe, $dll)" >&2
    return 1
  fi
  local args=(--plugin "$(wine_path "$dll")" --folder "$(wine_path "$ROOT/tools/demo")")
  while [ $# -gt 0 ]; do
    case $1 in
      --script|--work) args+=("$1" "$(wine_path "$2")"); shift ;;
      *) args+=("$1") ;;
    esac
    shift
  done
  if [ "$setup" != 1 ]; then
    wine "$exe" "${args[@]}" </dev/null
    return
  fi
  local shot=$BUILD/setup-dialog.png
  if [ -n "$WINE_OUTER_DISPLAY" ]; then
    # The server is bound to the display it started on: restart it on the person's.
    wineserver -k </dev/null >/dev/null 2>&1 || true
    export DISPLAY=$WINE_OUTER_DISPLAY
    wineserver -p </dev/null >/dev/null 2>&1
  fi
  wine "$exe" "${args[@]}" --setup </dev/null &
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
