# Sourced by the benchmarks that watch a running renderer under Wine (steady_wine.sh,
# monitors_wine.sh): its trace marks every 100th step and every 100th swapped frame
# (renderer/common/startup_trace.h); its CPU time is its process's, found by its window (not by
# its name, which its loader shares), from /proc (llvmpipe draws on worker threads, so more than
# 100 % means more than one core).
#
#   measure_renderer TRACE SECONDS   waits for the renderer's 200th step, then measures for
#                                    SECONDS; sets renderer_window, renderer_pid and the stretch
#   report_renderer TRACE            prints steps and frames a second and the CPU over it

measure_renderer() {  # trace file, seconds
  local i
  for i in $(seq 1 600); do grep -q 'step-200 ' "$1" 2>/dev/null && break; sleep 0.1; done
  renderer_window=$(xdotool search --name '^Quillmoor_VC$' | head -n 1)
  renderer_pid=$([ -n "$renderer_window" ] && xdotool getwindowpid "$renderer_window" 2>/dev/null)
  [ -n "$renderer_pid" ] && [ -r "/proc/$renderer_pid/stat" ] || { echo "no renderer process"; return 1; }
  measured_t0=$(date +%s%N) measured_c0=$(cpu_ticks)
  sleep "$2"
  measured_t1=$(date +%s%N) measured_c1=$(cpu_ticks)
  renderer_memory=$(grep -E '^Vm(Peak|HWM):' "/proc/$renderer_pid/status" | tr -s ' \t' ' ' | tr '\n' ' ')
}
cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$renderer_pid/stat"; }

report_renderer() {  # trace file
  local mark
  # Steps and frames per second between the first and the last of their marks in the stretch.
  for mark in step frame; do
    awk -v t0="$measured_t0" -v t1="$measured_t1" -v mark="$mark" '$1 ~ "^renderer\\." mark "-[0-9]+$" {
        n = substr($1, index($1, mark "-") + length(mark) + 1) + 0; t = $2 * 1000
        if (t >= t0 && t <= t1) { if (!first) { first = 1; n0 = n; s0 = t } n1 = n; s1 = t } }
      END { if (n1 > n0) printf "%ss: %d in %.1f s, %.1f per second (%.1f ms each)\n", mark, n1 - n0, (s1 - s0) / 1e9,
              (n1 - n0) / ((s1 - s0) / 1e9), (s1 - s0) / 1e6 / (n1 - n0); else print mark "s: too few marks" }' "$1"
  done
  awk -v c="$((measured_c1 - measured_c0))" -v hz="$(getconf CLK_TCK)" -v t="$(( (measured_t1 - measured_t0) / 1000000 ))" \
    -v cores="$(nproc)" \
    'BEGIN { printf "CPU: %.1f s in %.1f s, %.0f %% of one core (%d cores here)\n", c / hz, t / 1000, 100 * c / hz / (t / 1000), cores }'
}
