#!/usr/bin/env bash
# Lists the C++ files that differ from the committed .clang-format style and
# fails when there is any. scripts/check-format.sh --fix formats them.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
fix=0
[ "${1:-}" = "--fix" ] && fix=1
bad=()
while IFS= read -r file; do
  [ -f "$file" ] || continue
  if ! clang-format --dry-run -Werror "$file" >/dev/null 2>&1; then
    bad+=("$file")
    [ "$fix" -eq 1 ] && clang-format -i "$file"
  fi
done < <(git ls-files '*.cpp' '*.h' '*.inc')
if [ ${#bad[@]} -eq 0 ]; then
  echo "All C++ files are formatted."
  exit 0
fi
printf '%s\n' "${bad[@]}"
if [ "$fix" -eq 1 ]; then
  echo "Formatted ${#bad[@]} files."
  exit 0
fi
echo "${#bad[@]} files differ from .clang-format (scripts/check-format.sh --fix formats them)."
exit 1
