#!/bin/sh
# Checks that every tracked C++ source is formatted as .clang-format says.
cd "$1" || exit 1
command -v clang-format >/dev/null || { echo "skipped: clang-format is not installed"; exit 77; }
files=$(git ls-files '*.cpp' '*.h' 2>/dev/null) || { echo "skipped: not a git checkout"; exit 77; }
# shellcheck disable=SC2086
clang-format --dry-run -Werror --style=file $files
