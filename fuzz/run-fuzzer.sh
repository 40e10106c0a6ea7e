#!/bin/sh
# run-fuzzer.sh FUZZER SECONDS SEEDS REGRESSIONS WORK SEED_FILES [libFuzzer flags...]
#
# SECONDS 0, the run of CI (make sanitize): every input of REGRESSIONS, of the
# seed corpus SEEDS and of SEED_FILES (a CMake list, ';'-separated, possibly
# empty) runs once, and nothing else; the same inputs give the same answer
# on every run.
#
# SECONDS > 0, open-ended fuzzing (make fuzz): the regressions once, then
# SECONDS of search from the seeds and the corpus already grown in WORK.
# New inputs and any crash artefact go to WORK; SEEDS, REGRESSIONS and
# SEED_FILES are only read.
set -eu
fuzzer=$1 seconds=$2 seeds=$3 regressions=$4 work=$5 seedFiles=$6
shift 6

# The regular files of a folder, for libFuzzer to run one by one.
filesOf() {
  [ -d "$1" ] || return 0
  find "$1" -maxdepth 1 -type f | LC_ALL=C sort
}

if [ "$seconds" -eq 0 ]; then
  set -- "$@" -timeout=10
  for file in $(filesOf "$regressions") $(filesOf "$seeds"); do
    set -- "$@" "$file"
  done
  oldIfs=$IFS
  IFS=';'
  for file in $seedFiles; do
    set -- "$@" "$file"
  done
  IFS=$oldIfs
  # Arguments that name files (not folders) run once each, with no search.
  exec "$fuzzer" "$@"
fi

mkdir -p "$work/corpus"
oldIfs=$IFS
IFS=';'
for file in $seedFiles; do
  cp "$file" "$work/corpus/"
done
IFS=$oldIfs
if [ -n "$(filesOf "$regressions")" ]; then
  # shellcheck disable=SC2046 # file names of our own, without blanks
  "$fuzzer" "$@" $(filesOf "$regressions")
fi
exec "$fuzzer" "$@" -max_total_time="$seconds" -timeout=10 -print_final_stats=1 \
  -artifact_prefix="$work/" "$work/corpus" "$seeds"
