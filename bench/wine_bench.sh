# Sourced by the benchmarks that run the programs alone under Wine, once `root` and `size` are
# set: a private screen of that size, a Wine prefix of the benchmarks' own (Wine keeps a
# monitor's last mode in its registry, and a mode a benchmark's renderer set on its screen must
# not meet the tests on theirs), the end-to-end helpers (tests/e2e/lib.sh) writing into
# out/bench, and the renderer's measurements (bench/measure_renderer.sh).
cd "$root"
source scripts/lib/session.sh
QM_SCREEN=${size}x24 qm_start_display
export WINEPREFIX="$root/build/wineprefix-bench"
qm_start_wine
export QM_E2E_OUT="$root/out/bench"
. tests/e2e/lib.sh
. bench/measure_renderer.sh
