# Statistics of the benchmark tables: median and "median [min - max]" of a list, and of the
# runs stored as array[key, 1..n].
function median(list, n,    sorted, i, j, t) {
    for (i = 1; i <= n; i++) sorted[i] = list[i]
    for (i = 2; i <= n; i++)
        for (j = i; j > 1 && sorted[j - 1] > sorted[j]; j--) {
            t = sorted[j]; sorted[j] = sorted[j - 1]; sorted[j - 1] = t
        }
    return n % 2 ? sorted[(n + 1) / 2] : (sorted[n / 2] + sorted[n / 2 + 1]) / 2
}
function stats(list, n, format,    i, lo, hi) {
    lo = hi = list[1]
    for (i = 2; i <= n; i++) { if (list[i] < lo) lo = list[i]; if (list[i] > hi) hi = list[i] }
    return sprintf(format " [" format " - " format "]", median(list, n), lo, hi)
}
function column(array, key, n, format,    i, list) {
    for (i = 1; i <= n; i++) list[i] = array[key, i]
    return stats(list, n, format)
}
