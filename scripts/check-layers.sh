#!/usr/bin/env bash
# Checks the #include lines of src/ and tools/ against the layer order
#
#   text -> platform, formats -> settings, themes -> pipeline -> cli -> app -> update -> ui, tools
#
# Between folders: a folder includes only folders of lower layers, never one beside it or
# above it (the module entries at the top of src/ may include any folder).
# Inside a folder: a file never includes a header that, itself or through the headers it
# includes, includes the file's own header (x.cpp's own header is x.h): each header stands
# below everything that uses it.
# Prints the folder graph with the number of #include lines behind each arrow, then every
# include against these rules; exits 1 when there is one.
# Usage: scripts/check-layers.sh
set -euo pipefail
cd "$(dirname "$0")/.."

report=$(bash scripts/list-sources.sh src tools | grep -E '\.(c|cpp|h)$' | xargs grep -H '^#include "' | awk '
function layer(folder) {
    if (folder == "text") return 0
    if (folder == "platform" || folder == "formats") return 1
    if (folder == "settings" || folder == "themes") return 2
    if (folder == "pipeline") return 3
    if (folder == "cli") return 4
    if (folder == "app") return 5
    if (folder == "update") return 6
    if (folder == "ui" || folder == "tools") return 7
    if (folder == "src") return 8  # the module entries: main, engine, drawing, desktop
    return -1
}
# The folder a file belongs to: src/pipeline/job.cpp -> pipeline; src/main.cpp -> src;
# tools/docgen/markup.cpp -> tools.
function folder_of(path,   parts) {
    split(path, parts, "/")
    if (parts[1] == "tools") return "tools"
    return parts[3] == "" ? "src" : parts[2]
}
# Whether header `from` reaches header `goal` through header includes.
function reaches(from, goal,   queue, seen, head, tail, current, node, i, n, list) {
    head = 0; tail = 0; queue[tail++] = from; seen[from] = 1
    while (head < tail) {
        current = queue[head++]
        if (current == goal) return 1
        n = split(includes[current], list, " ")
        for (i = 1; i <= n; i++) {
            node = list[i]
            if (!(node in seen)) { seen[node] = 1; queue[tail++] = node }
        }
    }
    return 0
}
{
    file = substr($0, 1, index($0, ":") - 1)
    target = $0; sub(/^[^"]*"/, "", target); sub(/".*$/, "", target)
    if (target !~ /\//) next
    from = folder_of(file)
    to = target; sub(/\/.*$/, "", to)
    if (to == "docgen") to = "tools"  # tools/docgen/ includes "docgen/..."
    path = (to == "tools" ? "tools/" : "src/") target
    if (from != to) {
        arrows[from " -> " to]++
        if (layer(to) < 0 || layer(from) <= layer(to))
            print "2 UP: " file " includes " target " (" from ", layer " layer(from) \
                          " -> " to ", layer " layer(to) ")"
    } else {
        includes[file] = includes[file] " " path
        pairs[++npairs] = file SUBSEP path
    }
}
END {
    for (arrow in arrows) {
        split(arrow, ends, " -> ")
        printf "1   %-9s -> %-9s %4d\n", ends[1], ends[2], arrows[arrow]
    }
    for (i = 1; i <= npairs; i++) {
        split(pairs[i], pair, SUBSEP)
        own = pair[1]; sub(/\.(c|cpp)$/, ".h", own)
        if (pair[2] != own && reaches(pair[2], own))
            print "3 CIRCLE: " pair[1] " includes " pair[2] ", which includes " own
    }
}' | sort)

echo "Folder include graph (arrow: #include lines)"
sed -n 's/^1 //p' <<< "$report"
problems=$(sed -n 's/^[23] //p' <<< "$report")
if [ -n "$problems" ]; then
    echo "$problems"
    echo "check-layers: $(wc -l <<< "$problems") include(s) against the layer order" >&2
    exit 1
fi
echo "check-layers: every arrow points down the layer order; no circle inside a folder"
