#!/bin/sh
# Instructions per item of the benchmark cases, ours and Little CMS's, under
# callgrind: a figure that a busy shared machine does not change. Each
# benchmark runs once, one iteration, after its set-up (tables and caches
# built); only the scope marked Counted in the benchmark counts.
#   bench/instructions.sh [BUILD] [FILTER]
# Without a FILTER, vestrel-cli convert and copy follow as whole processes.
# BUILD defaults to build, FILTER to the converter and profile cases.
build=${1:-build}
filter=${2:-'Converter|ProfileReadWrite'}
bench=$build/bench/vestrel-bench
command -v valgrind >/dev/null || { echo "instructions.sh: valgrind is not installed" >&2; exit 1; }
for name in $("$bench" --benchmark_list_tests=true --benchmark_filter="$filter"); do
    # The converter cases convert a million pixels; a profile case is one item.
    case $name in
        Converter*|B2A1*|A2B1*) items=1000000 ;;
        *) items=1 ;;
    esac
    collected=$(valgrind --tool=callgrind --collect-atstart=no --callgrind-out-file=/dev/null "$bench" \
        --benchmark_filter="^$name\$" --benchmark_min_time=0 --benchmark_repetitions=1 2>&1 |
        sed -n 's/.*Collected : \([0-9]*\).*/\1/p')
    echo "$name $collected $items" | awk '{ printf "%-45s %12.1f instructions per item\n", $1, $2 / $3 }'
done

# The programs as processes, start to end: vestrel-cli convert of 100,000 Lab
# values and copy of the sample profile, beside the Little CMS programs.
[ -n "$2" ] && exit 0
samples=$(dirname "$0")/../samples
folder=$(mktemp -d)
"$build/bench/vestrel-session-bench" labs "$folder/labs.txt" 100000
count() {
    valgrind --tool=callgrind --callgrind-out-file=/dev/null "$@" 2>&1 >/dev/null |
        sed -n 's/.*Collected : \([0-9]*\).*/\1/p'
}
for side in "vestrel-cli $build/tools/vestrel-cli convert" "lcms $build/bench/vestrel-lcms-convert"; do
    set -- $side
    name=$1; shift
    echo "convert_100k/$name $(count "$@" "$samples/cmyk_v2.icc" b2a <"$folder/labs.txt")" |
        awk '{ printf "%-45s %12.1f instructions per line\n", $1, $2 / 100000 }'
done
echo "copy/vestrel-cli $(count "$build/tools/vestrel-cli" copy "$samples/cmyk_v2.icc" "$folder/a.icc")" |
    awk '{ printf "%-45s %12.0f instructions\n", $1, $2 }'
echo "copy/lcms $(count "$build/bench/vestrel-lcms-copy" "$samples/cmyk_v2.icc" "$folder/b.icc")" |
    awk '{ printf "%-45s %12.0f instructions\n", $1, $2 }'
rm -rf "$folder"
