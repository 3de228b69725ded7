# Sourced by the benchmarks that start the programs under Wine one screen size at a time
# (startup_session.sh, ground_wine.sh):
#   bench_wine WxH   a private X screen of that size and the benchmarks' own Wine prefix, with
#                    the end-to-end helpers (tests/e2e/lib.sh; their pictures and logs in
#                    out/bench)
# The prefix is the benchmarks' own: Wine keeps a monitor's last mode in its registry, and a mode
# a benchmark's renderer set on its screen must not meet the tests on theirs.
bench_wine() {
  source scripts/lib/session.sh
  QM_SCREEN="$1x24" qm_start_display
  export WINEPREFIX="$root/build/wineprefix-bench"
  qm_start_wine
  export QM_E2E_OUT="$root/out/bench"
  . tests/e2e/lib.sh
}
