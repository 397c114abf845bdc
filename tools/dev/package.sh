# The release package for ./dev (sourced; uses BUILD, ROOT, say and build
# helpers). The i686 tree is the product: its DLL is stripped for the
# package, its debug information stays in build/package/ behind a debug link.

# Largest stripped DLL or tool ./dev test and ./dev package accept, in bytes.
SIZE_LIMIT=$((400 * 1024))
# DLLs every Windows has; anything else the DLL imports would have to ship.
SYSTEM_DLLS="advapi32.dll comctl32.dll comdlg32.dll gdi32.dll kernel32.dll msvcrt.dll ole32.dll
oleaut32.dll shell32.dll user32.dll winspool.drv"

# check_stripped_size IMAGE STRIP: fails when a stripped copy of IMAGE (the
# DLL or the tool) is over the limit.
check_stripped_size() {
  local image=$1 strip=$2 copy size
  copy=$(mktemp)
  "$strip" -o "$copy" "$image"
  size=$(stat -c %s "$copy")
  rm -f "$copy"
  if [ "$size" -gt "$SIZE_LIMIT" ]; then
    echo "$image is $size bytes stripped, over the limit of $SIZE_LIMIT" >&2
    return 1
  fi
  say "$image: $size bytes stripped (limit $SIZE_LIMIT)"
}

# The version the tree was configured with (project(... VERSION ...)).
tree_version() {
  sed -n 's/^#define SAA_VERSION_TEXT "\(.*\)"$/\1/p' "$1/saa_version.h"
}

# check_pe FILE OBJDUMP: a PE32 i386 image that imports system DLLs only.
check_pe() {
  local file=$1 objdump=$2 header imports dll
  header=$($objdump -f "$file")
  if ! grep -q 'file format pei-i386' <<<"$header" || ! grep -q 'architecture: i386' <<<"$header"; then
    echo "$file is not a PE32 i386 image" >&2; return 1
  fi
  imports=$($objdump -p "$file" | sed -n 's/^\s*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
  for dll in $imports; do
    if ! grep -qw -- "$dll" <<<"$SYSTEM_DLLS"; then
      echo "$file imports $dll, which is no system DLL" >&2; return 1
    fi
  done
  say "$(basename "$file"): PE32 i386, imports $(echo $imports)"
}

# check_version_resource FILE VERSION: the fixed file and product versions
# of the resource are VERSION (major.minor.patch) with a fourth number 0.
check_version_resource() {
  python3 - "$1" "$2" <<'EOF'
import struct, sys
data = open(sys.argv[1], "rb").read()
want = [int(n) for n in sys.argv[2].split(".")] + [0]
at = data.find(struct.pack("<I", 0xFEEF04BD))  # VS_FIXEDFILEINFO's signature
if at < 0:
    sys.exit(f"{sys.argv[1]}: no version resource")
fms, fls, pms, pls = struct.unpack_from("<4I", data, at + 8)
def numbers(ms, ls): return [ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF]
for label, got in (("file", numbers(fms, fls)), ("product", numbers(pms, pls))):
    if got != want:
        sys.exit(f"{sys.argv[1]}: {label} version {got} is not {want}")
print("== version resource: " + ".".join(map(str, want)))
EOF
}

# strip_with_debuglink IMAGE OUT DEBUG: OUT is IMAGE without its debug
# information, which goes to DEBUG; OUT names DEBUG in a debug link.
strip_with_debuglink() {
  local image=$1 out=$2 debug=$3 tools=i686-w64-mingw32
  $tools-objcopy --only-keep-debug "$image" "$debug"
  $tools-strip -o "$out" "$image"
  (cd "$(dirname "$debug")" && $tools-objcopy --add-gnu-debuglink="$(basename "$debug")" "$out")
}

# check_xp_imports IMAGE...: each image imports only what Windows XP SP3's
# system DLLs export, and its PE header asks for no later Windows.
check_xp_imports() {
  python3 "$ROOT/tools/dev/check_xp_imports.py" i686-w64-mingw32-objdump "$@"
}

# The time the package carries: SOURCE_DATE_EPOCH when set, otherwise the
# commit's.
source_date() {
  if [ -n "${SOURCE_DATE_EPOCH:-}" ]; then
    echo "$SOURCE_DATE_EPOCH"
  elif git -C "$ROOT" rev-parse --verify -q HEAD >/dev/null; then
    git -C "$ROOT" log -1 --format=%ct
  else
    echo 315532800  # 1980-01-01, the first time a zip can hold
  fi
}

# write_zip ZIP FOLDER NAME EPOCH: FOLDER/NAME/ as ZIP, its entries in a fixed
# order with fixed times and modes, so equal files give equal bytes.
write_zip() {
  python3 - "$@" <<'PY'
import os, sys, time, zipfile
zip_path, folder, name, epoch = sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4])
stamp = time.gmtime(max(epoch, 315532800))[:6]
files = []
for root, dirs, names in os.walk(os.path.join(folder, name)):
    files += [os.path.join(root, n) for n in names]
with zipfile.ZipFile(zip_path, "w") as archive:
    for path in sorted(files, key=lambda p: os.path.relpath(p, folder).encode()):
        entry = zipfile.ZipInfo(os.path.relpath(path, folder).replace(os.sep, "/"), stamp)
        entry.external_attr = 0o644 << 16
        entry.create_system = 0  # as a Windows zip tool writes it
        with open(path, "rb") as source:
            archive.writestr(entry, source.read(), zipfile.ZIP_DEFLATED, 9)
PY
}

# verify_package ZIP NAME: the check a user makes, in a fresh unpacked copy.
verify_package() {
  local unpacked status=0
  unpacked=$(mktemp -d)
  python3 -m zipfile -e "$1" "$unpacked"
  (cd "$unpacked/$2" && sha256sum --quiet -c SHA256SUMS) || status=$?
  rm -rf "$unpacked"
  if [ "$status" != 0 ]; then
    echo "$1 does not verify: sha256sum -c SHA256SUMS fails in the unpacked folder" >&2
    return 1
  fi
  say "unpacked, sha256sum -c SHA256SUMS: every file verifies"
}

# Plain text for Windows editors: CRLF line ends, no Markdown marks.
to_text() {
  sed -e 's/`//g' -e 's/\*\*//g' -e 's/$/\r/' "$1" >"$2"
}

cmd_package() {
  ensure_packages
  command -v python3 >/dev/null || { echo "./dev package needs python3" >&2; exit 2; }
  local tree=$BUILD/win32 objdump=i686-w64-mingw32-objdump
  say "building the release (mingw-w64 i686, $tree)"
  if [ ! -f "$tree/CMakeCache.txt" ]; then
    cmake -S "$ROOT" -B "$tree" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-i686.cmake" >/dev/null
  fi
  local targets=(SAA713x)
  # The remote definition tool (SAA713xRemote.exe), once the tree has it.
  if cmake --build "$tree" --target help | grep -w saa713x_remote >/dev/null; then targets+=(saa713x_remote); fi
  if ! cmake --build "$tree" -j "$JOBS" --target "${targets[@]}" >"$tree/package-build.log" 2>&1; then
    cat "$tree/package-build.log" >&2
    echo "build failed in $tree" >&2; exit 1
  fi

  local version name stage debug
  version=$(tree_version "$tree")
  [ -n "$version" ] || { echo "no version in $tree/saa_version.h" >&2; exit 1; }
  name=SAA713x-$version
  debug=$BUILD/package
  stage=$debug/$name
  rm -rf "$stage"
  mkdir -p "$stage" "$ROOT/dist"

  # strip and objcopy stamp the images they write with this time, the zip its
  # entries: the commit's time, so that one commit gives one zip.
  SOURCE_DATE_EPOCH=$(source_date)
  export SOURCE_DATE_EPOCH
  strip_with_debuglink "$tree/SAA713x.dll" "$stage/SAA713x.dll" "$debug/SAA713x.dll.debug"
  local tool=""
  if [[ " ${targets[*]} " == *" saa713x_remote "* ]]; then
    tool=$(find "$tree" -name SAA713xRemote.exe -not -path '*/CMakeFiles/*' | head -1)
  fi
  if [ -n "$tool" ]; then
    strip_with_debuglink "$tool" "$stage/SAA713xRemote.exe" "$debug/SAA713xRemote.exe.debug"
  fi
  to_text "$ROOT/docs/user-guide.md" "$stage/user-guide.txt"
  sed -e 's/$/\r/' "$ROOT/docs/template.cfg" >"$stage/template.cfg"
  # The known cards' definitions beside the template, not for the plug-in's
  # folder as a whole: the user copies the one for the card (or the tool's
  # "cards --install" does).
  mkdir -p "$stage/definitions"
  local definition
  for definition in "$ROOT"/definitions/*.cfg; do
    [ -f "$definition" ] && sed -e 's/$/\r/' "$definition" >"$stage/definitions/${definition##*/}"
  done
  sed -e 's/$/\r/' "$ROOT/LICENSE" >"$stage/LICENSE.txt"
  # No SAA713x.ini: the plug-in runs on its built-in settings and writes the
  # file when the setup dialog closes; one in the package would overwrite
  # the user's settings when a new version is unpacked over an old one.

  say "checking what the package holds"
  check_dll_exports "$stage/SAA713x.dll" "$objdump"
  check_pe "$stage/SAA713x.dll" "$objdump"
  check_version_resource "$stage/SAA713x.dll" "$version"
  check_stripped_size "$stage/SAA713x.dll" i686-w64-mingw32-strip
  if [ -f "$stage/SAA713xRemote.exe" ]; then
    check_pe "$stage/SAA713xRemote.exe" "$objdump"
    check_version_resource "$stage/SAA713xRemote.exe" "$version"
    check_stripped_size "$stage/SAA713xRemote.exe" i686-w64-mingw32-strip
  fi

  check_xp_imports "$stage/SAA713x.dll" ${tool:+"$stage/SAA713xRemote.exe"}

  # Every file but the list itself, which cannot hold its own sum.
  local sums
  sums=$(cd "$stage" && find . -type f -printf '%P\0' | LC_ALL=C sort -z | xargs -0 sha256sum --)
  printf '%s\n' "$sums" >"$stage/SHA256SUMS"
  local zip=$ROOT/dist/$name-win32.zip
  rm -f "$zip"
  write_zip "$zip" "$debug" "$name" "$SOURCE_DATE_EPOCH"
  verify_package "$zip" "$name"

  echo
  say "$zip"
  python3 -m zipfile -l "$zip"
  say "SHA-256 $(sha256sum "$zip" | cut -d' ' -f1)"
  echo
  say "SAA713x.dll: $(stat -c %s "$stage/SAA713x.dll") bytes stripped; debug information in $debug/SAA713x.dll.debug"
  if [ -f "$stage/SAA713xRemote.exe" ]; then
    say "SAA713xRemote.exe: $(stat -c %s "$stage/SAA713xRemote.exe") bytes stripped; debug information in $debug/SAA713xRemote.exe.debug"
  fi
  local index section size rest
  while read -r index section size rest; do
    if [[ $index =~ ^[0-9]+$ ]]; then printf '   %-14s %8d bytes\n' "$section" "0x$size"; fi
  done < <($objdump -h "$stage/SAA713x.dll")
}
