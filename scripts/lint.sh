#!/usr/bin/env bash
# Static analysis of our own code, as CI runs it:
#   scripts/lint.sh BUILD [SANITIZE_BUILD]
# First the folders' layering (scripts/check_layers.py), then clang-format
# (.clang-format) over every tracked C++ source and every new one git does
# not ignore, then clang-tidy with the checks of .clang-tidy over every
# source file of ours in BUILD's compile database (the fuzz targets from
# SANITIZE_BUILD's, when given) and over the headers of our folders, then
# cppcheck. Any finding fails; an intended one carries a NOLINT(check) or
# cppcheck-suppress comment with its reason next to it.
# clang-tidy takes about a minute a file on two cores: LINT_ONLY=REGEX (e.g.
# `make lint LINT_ONLY=panes/`) runs it only on our sources whose path
# matches, and their headers; the other checks still cover everything.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
sanitizeBuild=${2:-}
jobs=$(nproc)
# The program's folders, bottom to top, as the root CMakeLists.txt lists them
# (scripts/check_layers.py reads the same line), and the helpers beside them.
read -r -a layers < <(sed -n 's/^# Layers, bottom to top: //p' CMakeLists.txt)
[[ ${#layers[@]} -gt 0 ]] || { echo "lint: no '# Layers, bottom to top:' line in CMakeLists.txt" >&2; exit 1; }
folders="($(IFS='|'; echo "${layers[*]}")|tools|tests|fuzz|bench)"
root=$(pwd)
# Sources of ours at the top of each folder and in tests/<layer>/, headers
# there or one folder below; generated ones (ui_*.h, moc) live in the build
# tree.
ours="^$root/($folders|tests/[a-z]+)/[^/]+\\.cpp\$"
headers="^$root/$folders/([a-z]+/)?[^/]+\\.h\$"

echo "lint: layers"
scripts/check_layers.py .

# .clang-tidy names the same folders for a clang-tidy run by hand; a layer
# added to the Layers line and not there fails here.
if ! grep -qF "HeaderFilterRegex: '/$folders/([a-z]+/)?[^/]+\\.h\$'" .clang-tidy; then
  echo "lint: .clang-tidy's HeaderFilterRegex must read '/$folders/([a-z]+/)?[^/]+\\.h\$' (the Layers line)" >&2
  exit 1
fi

# A missing checker would read as every file failing it.
for tool in clang-format run-clang-tidy cppcheck; do
  if ! command -v "$tool" >/dev/null; then
    echo "lint: $tool is not installed (scripts/setup.sh installs it)" >&2
    exit 1
  fi
done

echo "lint: clang-format"
mapfile -t sources < <(git ls-files --cached --others --exclude-standard -- '*.cpp' '*.h' | sort -u)
unformatted=()
for file in "${sources[@]}"; do
  [[ -f $file ]] || continue # deleted in the working tree
  clang-format --dry-run --Werror "$file" >/dev/null 2>&1 || unformatted+=("$file")
done
if [[ ${#unformatted[@]} -gt 0 ]]; then
  printf '  %s\n' "${unformatted[@]}" >&2
  echo "lint: clang-format would change the files above; run: clang-format -i FILE" >&2
  exit 1
fi

echo "lint: clang-tidy${LINT_ONLY:+ (sources matching $LINT_ONLY)}"
# The sources, each as a regular expression that matches its path alone.
mapfile -t tidied < <(/usr/bin/python3 -c '
import json, re, sys
ours, only = re.compile(sys.argv[2]), re.compile(sys.argv[3])
files = sorted({entry["file"] for entry in json.load(open(sys.argv[1] + "/compile_commands.json"))})
print("\n".join("^" + re.escape(f) + "$" for f in files if ours.search(f) and only.search(f)))' "$build" "$ours" "${LINT_ONLY:-.}")
[[ ${#tidied[@]} -gt 0 ]] || { echo "lint: no source of ours in $build/compile_commands.json${LINT_ONLY:+ matches $LINT_ONLY}" >&2; exit 1; }
run-clang-tidy -quiet -j "$jobs" -p "$build" -header-filter="$headers" "${tidied[@]}" >"$build/clang-tidy.log" 2>&1 || true
if [[ -n $sanitizeBuild && -f $sanitizeBuild/compile_commands.json ]]; then
  run-clang-tidy -quiet -j "$jobs" -p "$sanitizeBuild" -header-filter="$headers" "^$root/fuzz/[^/]+\.cpp$" \
    >>"$build/clang-tidy.log" 2>&1 || true
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
