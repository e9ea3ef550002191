# Sourced by scripts/test and scripts/check: named stages, so that a red run says where it broke,
# and the build-and-test suite both run.
#
# `stage NAME` prints "== NAME ==" and names everything up to the next stage; a command failing
# there ends the run (set -e) with "FAILED in stage NAME".

current_stage=""
report_failed_stage() {
  local status=$?
  if [ "$status" -ne 0 ] && [ -n "$current_stage" ]; then echo "FAILED in stage $current_stage" >&2; fi
  exit "$status"
}
trap report_failed_stage EXIT

stage() {
  current_stage=$1
  echo "== $current_stage =="
}

# A build with warnings as errors in DIR, configured with the options given, and its tests.
run_suite() {
  local dir=$1; shift
  echo "== $(basename "$dir") =="
  cmake -S "$top" -B "$dir" -G Ninja -DPELMORA_WERROR=ON "$@" >/dev/null
  cmake --build "$dir" -j"$jobs"
  ctest --test-dir "$dir" --output-on-failure -j"$jobs" --timeout 300
}

# The Debian packages, checked once: the scripts a run calls after this skip their own check.
install_packages() {
  "$top/scripts/install-deps"
  export PELMORA_DEPS_DONE=1
}

# The windows see parts only through the composition's read-only view: every edit then has one
# door, and the history cannot be bypassed. Fails naming each file under ui/ that reaches the
# records or the project file.
check_layers() {
  if grep -rlE '#include "model/(document|projectfile)\.h"|\bT(PartData|Document)\b' "$top/ui"; then
    echo "check: the files above reach the records or the project file; read parts through Composition::part()" >&2
    return 1
  fi
  echo "ui/ reads parts through the composition only"
  # The ui folders stand in one order, the window on top and common at the bottom; an include
  # may only reach down, so a folder can be read and tested without those above it.
  local order=(common version dialogs panel canvas parts window) bad=0 file folder target
  rank_of() { local j; for j in "${!order[@]}"; do [ "${order[j]}" = "$1" ] && echo "$j" && return; done; echo 99; }
  while IFS=: read -r file target; do
    folder=${file#"$top/ui/"}; folder=${folder%%/*}
    if [ "$(rank_of "$target")" -gt "$(rank_of "$folder")" ]; then
      echo "$file includes ui/$target/" >&2; bad=1
    fi
  done < <(grep -rHoE '#include "ui/[a-z]+/' "$top/ui" | sed -E 's|#include "ui/([a-z]+)/|\1|')
  if [ "$bad" = 1 ]; then
    echo "check: the includes above run up the ui folders (${order[*]}, lowest first)" >&2
    return 1
  fi
  echo "ui/ folders include only downward: ${order[*]}"
}
