#!/usr/bin/env bash
# Static analysis of our own code, as CI runs it:
#   scripts/lint.sh BUILD [SANITIZE_BUILD]
# First the folders' layering (scripts/check_layers.py), then
# clang-tidy with the checks of .clang-tidy over every source file of ours in
# BUILD's compile database (the fuzz targets from SANITIZE_BUILD's, when
# given), then cppcheck. Any finding fails; an intended one carries a
# NOLINT(check) or cppcheck-suppress comment with its reason next to it.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
sanitizeBuild=${2:-}
jobs=$(nproc)
# The program's folders, bottom to top, as the root CMakeLists.txt lists them.
read -r -a layers < <(sed -n 's/^# Layers, bottom to top: //p' CMakeLists.txt)
ours="/($(IFS='|'; echo "${layers[*]}")|tools|tests|fuzz|bench)/[^/]+\\.cpp\$"
root=$(pwd)

echo "lint: layers"
scripts/check_layers.py .

echo "lint: clang-tidy"
run-clang-tidy -quiet -j "$jobs" -p "$build" "^$root$ours" >"$build/clang-tidy.log" 2>&1 || true
if [[ -n $sanitizeBuild && -f $sanitizeBuild/compile_commands.json ]]; then
  run-clang-tidy -quiet -j "$jobs" -p "$sanitizeBuild" "^$root/fuzz/[^/]+\.cpp$" >>"$build/clang-tidy.log" 2>&1 || true
fi
# run-clang-tidy's own exit status does not tell findings from a file that
# failed to parse; both show as diagnostics.
sed -i 's/\x1b\[[0-9;]*m//g' "$build/clang-tidy.log" # colours off
if grep -E '(warning|error):' "$build/clang-tidy.log" >/dev/null; then
  grep -E -A3 '(warning|error):' "$build/clang-tidy.log" >&2
  echo "lint: clang-tidy found the above (full log: $build/clang-tidy.log)" >&2
  exit 1
fi

# cppcheck's "style" class is taste (prefer std::algorithms, const
# references) with false positives on Qt code; the classes below find faults.
# CastIntegerToAddressAtReturn is off: cppcheck runs without the standard and
# Qt headers and takes every pointer they declare (std::array elements, a
# QWebEngineProfile *, a static QHttpServer *) for an integer; all five of
# its reports on our code were such pointers.
echo "lint: cppcheck"
includes=()
for dir in "${layers[@]}" tools; do includes+=(-I "$dir"); done
cppcheck --quiet --std=c++20 --language=c++ --library=qt --enable=warning,performance,portability \
  --inline-suppr --error-exitcode=1 --suppress=missingIncludeSystem --suppress=unmatchedSuppression \
  --suppress=CastIntegerToAddressAtReturn \
  --template='{file}:{line}: {severity}: {message} [{id}]' -j "$jobs" "${includes[@]}" \
  "${layers[@]}" tools tests fuzz bench
echo "lint: clean"
