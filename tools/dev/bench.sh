# ./dev bench (sourced; uses BUILD, ROOT, JOBS, say, the build and Wine helpers).
# The native figures; with --wine also the DLL's under Wine, in the 64-bit
# tree where this kernel cannot run 32-bit programs.
cmd_bench() {
  local wine=0 args=()
  for arg in "$@"; do
    if [ "$arg" = --wine ]; then wine=1; else args+=("$arg"); fi
  done
  ensure_packages
  build_plain
  "$BUILD/plain/tools/bench/saa_bench" "${args[@]}"
  [ "$wine" = 1 ] || return 0
  local tree=win32
  wine_can_run_32 || tree=win64
  local dir=$BUILD/$tree
  if [ ! -f "$dir/CMakeCache.txt" ]; then
    cmake -S "$ROOT" -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-$([ $tree = win32 ] && echo i686 || echo x86_64).cmake" >/dev/null
  fi
  echo
  say "building the $tree tree's DLL, simulated card and figures program"
  cmake --build "$dir" -j "$JOBS" --target SAA713x SimVamp win_figures >"$dir/bench-build.log" 2>&1 ||
    { cat "$dir/bench-build.log" >&2; exit 1; }
  wine_start "$tree"
  local status=0
  wine_figures "$dir/tools/win_figures.exe" --plugin "$(wine_path "$dir/SAA713x.dll")" \
    --work "$(wine_path "$BUILD/bench-run-$tree")" || status=$?
  wine_stop
  return "$status"
}

# Each thread of process $1: its id, nanoseconds on a processor, voluntary
# context switches (each one a sleep, so a wake-up).
task_sample() {
  local task
  for task in /proc/"$1"/task/*; do
    printf '%s %s %s\n' "${task##*/}" "$(cut -d' ' -f1 "$task/schedstat" 2>/dev/null || echo 0)" \
      "$(sed -n 's/^voluntary_ctxt_switches:\s*//p' "$task/status" 2>/dev/null || echo 0)"
  done
}

# Runs the figures program and, at its marker lines, samples its threads from
# outside: inside Wine, /proc/self is the wine server's.
wine_figures() {
  local fifo line pid before="" from="" to="" from_ns=0 to_ns=0 status=0
  fifo=$(mktemp -u) && mkfifo "$fifo"
  "$WINE_LOADER" "$@" </dev/null >"$fifo" &
  pid=$!  # the loader becomes the program's process
  while IFS= read -r line; do
    line=${line%$'\r'}  # a Windows console's line ends
    case $line in
      @before-start) before=$(task_sample "$pid") ;;
      @idle-from) from=$(task_sample "$pid"); from_ns=$(date +%s%N) ;;
      @idle-to) to=$(task_sample "$pid"); to_ns=$(date +%s%N) ;;
      *) printf '%s\n' "$line" ;;
    esac
  done <"$fifo"
  wait "$pid" || status=$?
  rm -f "$fifo"
  [ -n "$to" ] || return "$status"
  # The threads that Start created, in creation order.
  awk -v seconds="$(( (to_ns - from_ns) / 1000000 ))" -v before="$before" -v from="$from" '
    BEGIN {
      seconds /= 1000
      n = split(before, lines, "\n"); for (i = 1; i <= n; i++) { split(lines[i], f, " "); old[f[1]] = 1 }
      n = split(from, lines, "\n"); for (i = 1; i <= n; i++) { split(lines[i], f, " "); cpu[f[1]] = f[2]; sw[f[1]] = f[3] }
      names[1] = "polling thread"; names[2] = "key event thread"
    }
    !($1 in old) && ($1 in cpu) {
      name = ++count <= 2 ? names[count] : "another new thread"
      printf "  %-28s wake-ups %6.2f /s   CPU %8.1f us/s   (tid %s)\n", name, ($3 - sw[$1]) / seconds,
             ($2 - cpu[$1]) / 1000 / seconds, $1
    }' <<<"$to"
  return "$status"
}
