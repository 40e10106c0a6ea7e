#!/bin/sh
# run-fuzzer.sh FUZZER SECONDS SEEDS REGRESSIONS WORK SEED_FILES [libFuzzer flags...]
# The short fuzz run of CI: every input of REGRESSIONS once, then SECONDS of
# fuzzing from the seed corpus SEEDS and the files of SEED_FILES (a CMake
# list, ';'-separated, possibly empty). New inputs and any crash artefact go
# to WORK; SEEDS, REGRESSIONS and SEED_FILES are only read.
set -eu
fuzzer=$1 seconds=$2 seeds=$3 regressions=$4 work=$5 seedFiles=$6
shift 6
mkdir -p "$work/corpus"
oldIfs=$IFS
IFS=';'
for file in $seedFiles; do
  cp "$file" "$work/corpus/"
done
IFS=$oldIfs
if [ -d "$regressions" ] && [ -n "$(ls -A "$regressions")" ]; then
  "$fuzzer" "$@" "$regressions"/*
fi
exec "$fuzzer" "$@" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
  -artifact_prefix="$work/" "$work/corpus" "$seeds"
