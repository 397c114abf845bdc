#!/usr/bin/env bash
# Fails when clang-format (with the repository's .clang-format) would change a
# source file; lists the files. `tools/dev/check_format.sh --fix` formats them.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/../.."

if ! command -v clang-format >/dev/null; then
  echo "format: clang-format is not installed" >&2
  exit 1
fi
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = --fix ]; then
  clang-format -i "${files[@]}"
  exit 0
fi
changed=()
for file in "${files[@]}"; do
  if ! clang-format --dry-run --Werror "$file" >/dev/null 2>&1; then changed+=("$file"); fi
done
if [ "${#changed[@]}" -gt 0 ]; then
  echo "format: clang-format would change ${#changed[@]} file(s) (run tools/dev/check_format.sh --fix):" >&2
  printf '  %s\n' "${changed[@]}" >&2
  exit 1
fi
echo "format: clang-format leaves all ${#files[@]} source files unchanged"
