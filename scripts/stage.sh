# Stage timing for the build and CI scripts (sourced). `stage NAME command...` runs the command,
# then prints its wall time and the CPU time of everything it ran; with CORVANE_STAGE_LOG set, the
# same line is appended there, so .ci/run can print the whole run's table at the end.

# Sets _stage_cpu to the seconds of user + system time of this shell's finished children. `times`
# runs in this shell: in a subshell (a pipe, $(...)) it would count the subshell's children only.
_stage_read_cpu() {
  local file
  file=$(mktemp)
  times >"$file"
  _stage_cpu=$(awk 'END {
    s = 0
    for (i = 1; i <= NF; i++) { split($i, p, "m"); sub("s", "", p[2]); s += p[1] * 60 + p[2] }
    printf "%.1f", s }' "$file")
  rm -f "$file"
}

stage() {
  local name=$1 start cpu_start status=0 line
  shift
  start=$(date +%s.%N)
  _stage_read_cpu
  cpu_start=$_stage_cpu
  "$@" || status=$?
  _stage_read_cpu
  line=$(awk -v n="$name" -v s="$start" -v e="$(date +%s.%N)" -v c0="$cpu_start" -v c1="$_stage_cpu" \
    'BEGIN { printf "%-24s %8.1f s wall %9.1f s cpu", n, e - s, c1 - c0 }')
  echo "== stage: $line"
  if [ -n "${CORVANE_STAGE_LOG:-}" ]; then echo "$line" >>"$CORVANE_STAGE_LOG"; fi
  return $status
}

# `cmake_build JOBS ARGS...` runs `cmake --build ARGS` with JOBS parallel jobs and, when that fails,
# once more with half as many. A step that failed for the machine's sake (a compiler or linker
# killed or crashing when memory or disk ran short) then succeeds; a fault in the code fails again.
cmake_build() {
  local jobs=$1 fewer
  shift
  cmake --build "$@" --parallel "$jobs" && return 0
  fewer=$((jobs > 1 ? jobs / 2 : 1))
  echo "The build failed: building what is left once more, with $fewer jobs"
  cmake --build "$@" --parallel "$fewer"
}
