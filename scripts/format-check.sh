#!/usr/bin/env bash
# Fails when a C++ file that git tracks is not as clang-format would write it.
# The whole tree is formatted, so this checks every changed line and more.
#   scripts/format-check.sh [FILE...]
set -euo pipefail
cd "$(dirname "$0")/.."

if [ $# -eq 0 ]; then
  mapfile -t files < <(git ls-files '*.cc' '*.h')
else
  files=("$@")
fi
clang-format --dry-run --Werror "${files[@]}"
echo "clang-format: ${#files[@]} files as formatted"
