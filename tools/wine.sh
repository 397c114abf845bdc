# Wine helpers for ./dev (sourced).
wine_start() { :; }
wine_stop() { :; }
demo_win32() { echo "the Win32 demo is not built yet" >&2; return 1; }
