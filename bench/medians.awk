# The medians of a start-up's steps over several runs (bench/startup_session.sh,
# bench/ground_wine.sh): one run a line of "step=ms" words (ms after the start), in the order
# the steps happened. Prints each step's median, in the order first seen, with what it took
# after the step before in brackets; steps named "x.*" (seen from outside) without.
# usage: awk -f bench/medians.awk RUNS
{
  for (f = 1; f <= NF; ++f) {
    split($f, kv, "=")
    if (kv[2] == "") continue
    v[kv[1]] = v[kv[1]] " " kv[2]
    if (!(kv[1] in seen)) { seen[kv[1]] = 1; order[++n] = kv[1] }
  }
}
END {
  for (i = 1; i <= n; ++i) {
    k = split(substr(v[order[i]], 2), a, " ")
    for (x = 2; x <= k; ++x) for (y = x; y > 1 && a[y - 1] + 0 > a[y] + 0; --y) { t = a[y]; a[y] = a[y - 1]; a[y - 1] = t }
    m = a[int((k + 1) / 2)]
    if (order[i] ~ /^x\./) printf "  %-26s %6d\n", order[i], m
    else { printf "  %-26s %6d  (%+d)\n", order[i], m, m - prev; prev = m }
  }
}
