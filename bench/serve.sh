#!/bin/bash
# bench/serve.sh [--small N] [--clients N] [--large-declarations N] [--runs N]
#
# zentrox-serve against zentrox-check on the same packages, Release build:
#
# 1. Throughput: N small packages (20 declarations each) sent by C concurrent
#    clients (one curl with --parallel, connections kept alive) to a service
#    with 2 workers, against `zentrox-check --jobs 2` on the same archives;
#    the ratio of the rates, and the p50 and p99 latency of a small package
#    under that load. Both must agree on every verdict.
# 2. A large package (default 300,000 quarterly declarations) uploaded and
#    checked, against the CLI's time for it (runs interleaved, medians).
# 3. Memory: the peak of the service's processes together (sampled every
#    0.1 s: the service and its checks) and of the service process itself
#    (VmHWM); the service's resident memory before and after a body over the
#    upload limit (300 MiB, with and without a length) and a 40 MB package.
#
#   --small N               small packages (default 1000)
#   --clients N             concurrent clients (default 8)
#   --large-declarations N  declarations of the large package (default 300000)
#   --runs N                runs of the large package each way (default 3)
#
# Builds Release into build-release/ (or $ZENTROX_BENCH_BUILD) like
# bench/run.sh; packages are generated once into its bench-data/serve/.
set -euo pipefail

root=$(cd "$(dirname "$0")/.." && pwd)
build=${ZENTROX_BENCH_BUILD:-$root/build-release}
small=1000
clients=8
large_n=300000
runs=3
while [ $# -gt 0 ]; do
  case $1 in
    --small) small=$2; shift 2 ;;
    --clients) clients=$2; shift 2 ;;
    --large-declarations) large_n=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    *) echo "usage: $0 [--small N] [--clients N] [--large-declarations N] [--runs N]" >&2; exit 2 ;;
  esac
done
for tool in /usr/bin/time curl; do
  command -v $tool > /dev/null || { echo "bench/serve.sh: $tool is missing" >&2; exit 2; }
done

echo "Building in $build (Release) ..." >&2
cmake -S "$root" --preset release -B "$build" -DZENTROX_GUI=OFF > /dev/null
cmake --build "$build" -j2 --target zentrox-check zentrox-serve zentrox-genpkg Rar zentrox_dictionaries \
  > "$build/bench-build.log" 2>&1 || { tail -30 "$build/bench-build.log" >&2; exit 1; }
bin=$build/bin
data=$build/bench-data/serve
work=$(mktemp -d)
server=""
sampler=""
stop() {
  [ -z "$sampler" ] || kill "$sampler" 2> /dev/null || true
  [ -z "$server" ] || { kill "$server" 2> /dev/null; wait "$server" 2> /dev/null || true; }
  rm -rf "$work"
}
trap stop EXIT
mkdir -p "$work/cli" "$work/state" "$data"
cp "$bin"/*.txt "$work/cli/"
name=REV5_1234567_00001_2026T03.rar  # every generated quarterly package's name

# Small packages: 50 generated ones (every fourth with faults on 1% of its
# rows), linked into N directories of their own.
if [ ! -f "$data/small-ready-$small" ]; then
  echo "Generating packages into $data (once) ..." >&2
  rm -rf "$data/small" "$data"/small-ready-*
  for ((s = 1; s <= 50; s++)); do
    faults=0
    if ((s % 4 == 0)); then faults=0.01; fi
    "$bin/zentrox-genpkg" --variant quarterly --declarations 20 --series "$s" --fault-rate $faults \
      --out "$data/small/gen/$s" > /dev/null
  done
  for ((i = 0; i < small; i++)); do
    mkdir -p "$data/small/$i"
    ln "$data/small/gen/$((i % 50 + 1))/$name" "$data/small/$i/"
  done
  touch "$data/small-ready-$small"
fi
if [ ! -f "$data/large-$large_n/info" ]; then
  rm -rf "$data/large-$large_n"
  mkdir -p "$data/large-$large_n"
  "$bin/zentrox-genpkg" --variant quarterly --declarations "$large_n" --series 1 --out "$data/large-$large_n" \
    > "$data/large-$large_n/info"
fi
if [ ! -f "$data/large-100000/info" ]; then
  mkdir -p "$data/large-100000"
  "$bin/zentrox-genpkg" --variant quarterly --declarations 100000 --series 1 --out "$data/large-100000" \
    > "$data/large-100000/info"
fi
large=$data/large-$large_n/$name
forty=$data/large-100000/$name

# The service: 2 workers, under /usr/bin/time for its exit.
"$bin/zentrox-serve" --listen 127.0.0.1:0 --workers 2 --state-dir "$work/state" > "$work/serve.out" \
  2> "$work/serve.log" &
server=$!
for ((i = 0; i < 100; i++)); do
  grep -q listening "$work/serve.out" && break
  sleep 0.1
done
port=$(sed -nE 's/.*127\.0\.0\.1:([0-9]+)\/.*/\1/p' "$work/serve.out")
url="http://127.0.0.1:$port/api/v1/check?name=$name&format=json"

# The resident memory of the service and its checks together, every 0.1 s.
tree_rss() {
  local total=0 p v
  for p in $server $(pgrep -P "$server" 2> /dev/null); do
    v=$(awk '/^VmRSS/ { print $2 }' /proc/"$p"/status 2> /dev/null || true)
    total=$((total + ${v:-0}))
  done
  echo "$total"
}
(while kill -0 "$server" 2> /dev/null; do tree_rss; sleep 0.1; done > "$work/rss") &
sampler=$!
hwm() { awk '/^VmHWM/ { print $2 }' /proc/"$server"/status; }
rss() { awk '/^VmRSS/ { print $2 }' /proc/"$server"/status; }
seconds() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", b - a }'; }

# 1. Throughput.
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
archives=()
: > "$work/curl.cfg"
for ((i = 0; i < small; i++)); do
  archives+=("$data/small/$i/$name")
  if ((i > 0)); then echo next >> "$work/curl.cfg"; fi
  # Each transfer's options, its answer's line among them, between "next"s.
  printf 'url = "%s"\ndata-binary = "@%s"\nheader = "Content-Type: application/octet-stream"\noutput = "/dev/null"\n' \
    "$url" "$data/small/$i/$name" >> "$work/curl.cfg"
  echo 'write-out = "%{http_code} %{time_total} %header{x-zentrox-verdict}\n"' >> "$work/curl.cfg"
done
start=$EPOCHREALTIME
set +e
"$bin/zentrox-check" --variant auto --workdir "$work/cli" --format json --jobs 2 "${archives[@]}" > "$work/cli.json" 2> /dev/null
set -e
cli_s=$(seconds "$start" "$EPOCHREALTIME")
start=$EPOCHREALTIME
curl -s --no-progress-meter -Z --parallel-max "$clients" -K "$work/curl.cfg" > "$work/answers"
serve_s=$(seconds "$start" "$EPOCHREALTIME")
cli_verdicts=$(grep -o '"status": "[a-z-]*"' "$work/cli.json" | sed 's/.*: "//; s/"//' | sort | uniq -c | xargs)
serve_verdicts=$(awk '{ print $3 }' "$work/answers" | sort | uniq -c | xargs)
not_200=$(awk '$1 != 200' "$work/answers" | wc -l)
if [ "$cli_verdicts" != "$serve_verdicts" ] || [ "$not_200" -ne 0 ]; then
  echo "bench/serve.sh: the verdicts differ: CLI $cli_verdicts, service $serve_verdicts ($not_200 not 200)" >&2
  exit 1
fi
read -r p50 p99 < <(awk '{ print $2 }' "$work/answers" | sort -g |
  awk '{ v[NR] = $1 } END { print v[int(NR * 0.5 + 0.5)], v[int(NR * 0.99 + 0.5)] }')

# 2. The large package, run after run.
median() { sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
: > "$work/large-cli"
: > "$work/large-serve"
for ((r = 0; r < runs; r++)); do
  start=$EPOCHREALTIME
  set +e
  "$bin/zentrox-check" --variant auto --workdir "$work/cli" --format json "$large" > /dev/null 2>&1
  set -e
  seconds "$start" "$EPOCHREALTIME" >> "$work/large-cli"
  echo >> "$work/large-cli"
  verdict=$(curl -s -o /dev/null -D - --data-binary @"$large" -H 'Content-Type: application/octet-stream' "$url" \
    -w '%{time_total}\n' | tr -d '\r' | awk '/^[Xx]-[Zz]entrox-[Vv]erdict:/ { v = $2 } /^[0-9.]+$/ { t = $1 } END { print v, t }')
  echo "${verdict#* }" >> "$work/large-serve"
  [ "${verdict%% *}" = clean ] || { echo "bench/serve.sh: the large package: ${verdict%% *}" >&2; exit 1; }
done
large_cli=$(median < "$work/large-cli")
large_serve=$(median < "$work/large-serve")
peak_tree=$(sort -g "$work/rss" | tail -1)
peak_server=$(hwm)

# 3. The service's own memory on large bodies.
rss_before=$(rss)
head -c $((300 << 20)) /dev/zero > "$work/huge"
over_length=$(curl -s -o /dev/null -w '%{http_code}' --data-binary @"$work/huge" "$url")
rss_over_length=$(rss)
over_chunked=$(curl -s -o /dev/null -w '%{http_code}' -H 'Transfer-Encoding: chunked' --data-binary @"$work/huge" "$url")
rss_over_chunked=$(rss)
rm -f "$work/huge"
forty_status=$(curl -s -o /dev/null -w '%{http_code}' --data-binary @"$forty" "$url")
rss_forty=$(rss)
hwm_end=$(hwm)
kill "$sampler" 2> /dev/null || true
sampler=""

cat << EOF

throughput, $small small packages (20 declarations), $clients clients, service with 2 workers:
  zentrox-check --jobs 2   $cli_s s   $(awk -v n="$small" -v s="$cli_s" 'BEGIN { printf "%.1f", n / s }') packages/s
  zentrox-serve            $serve_s s   $(awk -v n="$small" -v s="$serve_s" 'BEGIN { printf "%.1f", n / s }') packages/s
  ratio (service rate / CLI rate): $(awk -v a="$cli_s" -v b="$serve_s" 'BEGIN { printf "%.2f", a / b }')
  verdicts: $serve_verdicts (the CLI's the same)
  latency of a small package under that load: p50 $p50 s, p99 $p99 s
  a day of one instance at that rate: $(awk -v n="$small" -v s="$serve_s" 'BEGIN { printf "%.1f", n / s * 86400 / 1e6 }') million small packages

the large package, $large_n quarterly declarations, $(du -m "$large" | cut -f1) MB archive, median of $runs:
  zentrox-check            $large_cli s
  zentrox-serve (upload and check, JSON answer)   $large_serve s
  ratio: $(awk -v a="$large_cli" -v b="$large_serve" 'BEGIN { printf "%.2f", b / a }')
  a day of one instance: $(awk -v s="$large_serve" 'BEGIN { printf "%.0f", 86400 / s * 2 }') such packages (2 at a time; once at a time: $(awk -v s="$large_serve" 'BEGIN { printf "%.0f", 86400 / s }'))

memory, service with 2 workers:
  peak of the service and its checks together: $((peak_tree / 1024)) MB
  peak of the service process itself (VmHWM): $((peak_server / 1024)) MB
  service RSS: $((rss_before / 1024)) MB before; after 300 MiB over the limit with its length ($over_length): $((rss_over_length / 1024)) MB;
    the same without a length, chunked ($over_chunked): $((rss_over_chunked / 1024)) MB; after a $(du -m "$forty" | cut -f1) MB package ($forty_status): $((rss_forty / 1024)) MB
  service VmHWM at the end: $((hwm_end / 1024)) MB

machine: $(nproc) CPUs, $(lscpu | sed -n 's/^Model name: *//p' | head -1); load average before: $load_before, after: $(cut -d' ' -f1-3 /proc/loadavg)
EOF
