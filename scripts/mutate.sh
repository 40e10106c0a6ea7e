#!/usr/bin/env bash
# Mutation check of the test suite: applies small deliberate faults (mutant
# patches) one at a time to a clean tree, rebuilds incrementally, runs the
# tests that should catch each one and reports which of them did.
# A developer's tool, not part of `make test`.
#
#   scripts/mutate.sh [-B BUILD] [-t SECONDS] [PATCH|DIR]...
#
#   -B BUILD     configured build folder to rebuild in (default: build)
#   -t SECONDS   time allowed to each test run (default: 300)
#   PATCH|DIR    patches, or folders of *.patch (default: scripts/mutants)
#
# A mutant patch is an ordinary `git diff` preceded by header lines:
#   # tests: tst_DateCn tst_DateCnPeers     CTest names that should catch it
#   # build: MakeSignDatabase               optional extra ninja targets
#   # what the fault is, in words           any other comment lines
# The tests named are built (those that are targets) and run with
# `ctest -R '^(name|...)$'`. A mutant is killed when a test fails or times
# out, survives when they all pass; one that does not apply or compile is
# reported apart and left out of the score.
#
# The tree must be clean (no changes to tracked files); whatever happens,
# including Ctrl-C, the applied mutant is taken back on exit. The build folder
# ends up built from the clean sources on the next build (ccache makes the
# rebuilds after each revert cheap: see RULES in the README).
# Exit status: 0 when every mutant was killed, 1 when some survived, 2 on a
# usage or set-up error.
set -euo pipefail

root=$(git rev-parse --show-toplevel)
cd "$root"

build=build
timeout=300
while getopts "B:t:h" option; do
  case $option in
  B) build=$OPTARG ;;
  t) timeout=$OPTARG ;;
  *) sed -n '2,27p' "$0" | sed 's/^# \{0,1\}//'; exit 2 ;;
  esac
done
shift $((OPTIND - 1))
[[ $# -gt 0 ]] || set -- scripts/mutants

patches=()
for argument in "$@"; do
  if [[ -d $argument ]]; then
    patches+=("$argument"/*.patch)
  else
    patches+=("$argument")
  fi
done
for patch in "${patches[@]}"; do
  [[ -f $patch ]] || { echo "mutate: no such patch: $patch" >&2; exit 2; }
done

[[ -f $build/build.ninja ]] || { echo "mutate: $build is not a configured Ninja build folder" >&2; exit 2; }
if [[ -n $(git status --porcelain --untracked-files=no) ]]; then
  echo "mutate: the tree has uncommitted changes; commit or stash them first" >&2
  git status --short --untracked-files=no >&2
  exit 2
fi

export CCACHE_DIR=${CCACHE_DIR:-/work/.ccache} CCACHE_BASEDIR=${CCACHE_BASEDIR:-$root}
[[ $(id -u) == 0 ]] && export QTWEBENGINE_DISABLE_SANDBOX=1

applied=""
restore() {
  if [[ -n $applied ]]; then
    git apply -R "$applied" 2>/dev/null || true
    applied=""
  fi
  # Whatever a mutant or an interrupted revert left behind in tracked files.
  git checkout --quiet -- . 2>/dev/null || true
}
trap restore EXIT
trap 'exit 130' INT TERM

log=$(mktemp -d "${TMPDIR:-/tmp}/mutate.XXXXXX")
ninja_targets=$(ninja -C "$build" -t targets all 2>/dev/null | sed -n 's/^\([^:/]*\): .*/\1/p' | sort -u)

killed=0 survived=0 stillborn=0
survivors=()
for patch in "${patches[@]}"; do
  name=$(basename "$patch" .patch)
  tests=$(sed -n 's/^# tests: *//p' "$patch" | head -1)
  extra=$(sed -n 's/^# build: *//p' "$patch" | head -1)
  if [[ -z $tests ]]; then
    printf '%-44s no "# tests:" line\n' "$name"
    stillborn=$((stillborn + 1))
    continue
  fi
  targets=()
  for target in $tests $extra; do
    grep -qx -- "$target" <<<"$ninja_targets" && targets+=("$target")
  done
  if ! git apply "$patch" 2>"$log/$name.apply"; then
    printf '%-44s does not apply (%s)\n' "$name" "$(head -1 "$log/$name.apply")"
    stillborn=$((stillborn + 1))
    continue
  fi
  applied=$patch
  if ((${#targets[@]})) && ! cmake --build "$build" --target "${targets[@]}" >"$log/$name.build" 2>&1; then
    printf '%-44s does not compile (%s)\n' "$name" "$log/$name.build"
    stillborn=$((stillborn + 1))
    restore
    continue
  fi
  started=$SECONDS
  if (cd "$build" && ctest -R "^($(tr ' ' '|' <<<"$tests"))\$" --timeout "$timeout" \
        --no-tests=error >"$log/$name.test" 2>&1); then
    verdict=survived
    survived=$((survived + 1))
    survivors+=("$name")
  else
    verdict="killed   by $(sed -n 's/.* - \([^ ]*\) (\(Failed\|Timeout\|SEGFAULT\|Subprocess.*\|Child.*\|Exception.*\)).*/\1/p' \
      "$log/$name.test" | tr '\n' ' ')"
    killed=$((killed + 1))
  fi
  printf '%-44s %s [%ds]\n' "$name" "$verdict" $((SECONDS - started))
  restore
done

total=$((killed + survived))
if ((total)); then
  echo "score: $killed of $total mutants killed ($((100 * killed / total)) %)$( ((stillborn)) && echo "; $stillborn not run")"
fi
((${#survivors[@]})) && echo "survivors: ${survivors[*]}"
echo "logs: $log"
((survived == 0))
