#!/usr/bin/env bash
# The wait for "this prefix's Wine server" is satisfied by that server alone: a server for
# another prefix (another run's on this machine) does not count. Needs WINEPREFIX with its server
# up, as scripts/test leaves it.
set -uo pipefail
. "$(dirname "$0")/../../scripts/lib/wineserver.sh"
if [ -z "${WINEPREFIX:-}" ]; then
  echo "skipped: run through scripts/test (no Wine prefix here)"
  exit 77
fi
failures=0
qm_prefix_server_running || { echo "FAIL: the run's own server is not found"; failures=$((failures + 1)); }
other=$(mktemp -d)
WINEPREFIX=$other qm_prefix_server_running && { echo "FAIL: another prefix's server counted"; failures=$((failures + 1)); }
WINEPREFIX=$other/missing qm_prefix_server_running && { echo "FAIL: a missing prefix counted"; failures=$((failures + 1)); }
rmdir "$other"
echo "$failures failures"
exit $((failures > 0))
