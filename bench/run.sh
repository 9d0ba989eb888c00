#!/usr/bin/env bash
# Benchmarks, on the shared corpus: prints figures and ratios against
# references measured in the same run. Needs a release build (make bench).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset release >/dev/null
cmake --build --preset release -j2 >/dev/null
# Its own folder: the dev build's programs in build/bin are not what is timed.
BIN=build/release/bin
LHA=$BIN/fzarc-lha
work=${BENCH_DIR:-/tmp/fzarc-bench}
corpus_script=${CORPUS_SCRIPT:-../shared/bench/make_corpus.sh}
mkdir -p "$work"
[ -d "$work/corpus" ] || bash "$corpus_script" corpus "$work/corpus" >/dev/null
[ -d "$work/big" ] || bash "$corpus_script" big "$work/big" >/dev/null
mkdir -p "$work/text" "$work/random"
cp -n "$work/big/text50.txt" "$work/text/text50.txt" 2>/dev/null || true
cp -n "$work/big/random50.bin" "$work/random/random50.bin" 2>/dev/null || true

now() { date +%s.%N; }
secs() { echo "$2 - $1" | bc; }

# measure COMMAND...: runs it and sets wall, cpu (user + system), peak (KB)
# and faults (page faults, minor and major).
measure() {
  local t0 t1 user sys minor major
  t0=$(now); /usr/bin/time -f '%U %S %M %R %F' -o "$work/time" "$@"; t1=$(now)
  read -r user sys peak minor major < "$work/time"
  wall=$(secs "$t0" "$t1"); cpu=$(echo "$user + $sys" | bc); faults=$((minor + major))
}
# check VALUE OP LIMIT: "ok" or "MISSED".
check() { [ "$(echo "$1 $2 $3" | bc -l)" = 1 ] && echo ok || echo MISSED; }

# Encoding: each input as one tar by gzip -9, and put away by each method;
# the best of three rounds, the tools taking turns. Sizes and times are also
# given against gzip -9 of the same run, with the targets each line must meet.
declare -A sizeTarget=([corpus5]="<= 1.0225" [text7]="<= 0.90")
declare -A bytesTarget=([corpus7]=18551851 [text5]=8752234)
declare -A timeTarget=([corpus5]=0.16 [corpus7]=0.35 [text5]=0.20 [text7]=1.00)
maxFaults=5000   # the corpus, every method
maxPeak=65536    # KB, every input and method
for input in corpus text random; do
  tarball="$work/$input.tar"
  tar -cf "$tarball" -C "$work/$input" .
  declare -A best=()
  for round in 1 2 3; do
    for tool in gzip 5 6 7; do
      if [ "$tool" = gzip ]; then
        measure gzip -9 -k -f -n "$tarball"
      else
        arc="$work/$input-lh$tool.lzh"; rm -f "$arc"
        measure "$LHA" A "$arc" "$work/$input/*.*" -o$tool
      fi
      if [ -z "${best[$tool]:-}" ] || [ "$(echo "$wall < ${best[$tool]%% *}" | bc)" = 1 ]; then
        best[$tool]="$wall $cpu $peak $faults"
      fi
    done
  done
  read -r gzWall gzCpu gzPeak gzFaults <<< "${best[gzip]}"
  gzSize=$(stat -c%s "$tarball.gz")
  printf 'encode %-6s gzip -9: %9d bytes            wall %5.2f s              cpu %5.2f s  peak %6d KB  faults %6d\n' \
    "$input" "$gzSize" "$gzWall" "$gzCpu" "$gzPeak" "$gzFaults"
  for m in 5 6 7; do
    read -r wall cpu peak faults <<< "${best[$m]}"
    size=$(stat -c%s "$work/$input-lh$m.lzh")
    sizeRatio=$(echo "$size / $gzSize" | bc -l); timeRatio=$(echo "$wall / $gzWall" | bc -l)
    verdict=""
    key=$input$m
    [ -n "${sizeTarget[$key]:-}" ] && verdict+=" size${sizeTarget[$key]}x:$(check "$sizeRatio" ${sizeTarget[$key]})"
    [ -n "${bytesTarget[$key]:-}" ] && verdict+=" size<=${bytesTarget[$key]}:$(check "$size" "<=" "${bytesTarget[$key]}")"
    [ -n "${timeTarget[$key]:-}" ] && verdict+=" time<=${timeTarget[$key]}x:$(check "$timeRatio" "<=" "${timeTarget[$key]}")"
    [ "$input" = corpus ] && verdict+=" faults<=$maxFaults:$(check "$faults" "<=" "$maxFaults")"
    verdict+=" peak<64MB:$(check "$peak" "<" "$maxPeak")"
    printf 'encode %-6s -lh%d-:   %9d bytes %.3fx gzip  wall %5.2f s %.2fx gzip  cpu %5.2f s  peak %6d KB  faults %6d %s\n' \
      "$input" "$m" "$size" "$sizeRatio" "$wall" "$timeRatio" "$cpu" "$peak" "$faults" "$verdict"
    # What the entries' data alone takes, apart from their level-2 headers.
    if command -v lhasa >/dev/null; then
      packed=$(lhasa v "$work/$input-lh$m.lzh" | awk '$5 ~ /^-lh[0-9d]-$/ {p += $2; n++} END {print p + 0, n + 0}')
      read -r data entries <<< "$packed"
      printf '                        data %9d bytes %.3fx gzip  headers %d bytes for %d entries\n' \
        "$data" "$(echo "$data / $gzSize" | bc -l)" "$((size - data))" "$entries"
    fi
  done
  unset best
done

# Decoding alone, the 50 MiB text: our test of every CRC against bsdtar
# reading the archive to /dev/null; best of five, the tools taking turns.
for m in 5 7; do
  arc="$work/text-lh$m.lzh"
  best_ours=999; best_tar=999
  for round in 1 2 3 4 5; do
    for tool in ours bsdtar; do
      t0=$(now)
      if [ "$tool" = ours ]; then
        /usr/bin/time -f %M -o "$work/mem" "$LHA" T "$arc" >/dev/null
        best_ours=$(echo "o=$(secs "$t0" "$(now)"); if (o < $best_ours) o else $best_ours" | bc)
      else
        bsdtar -xOf "$arc" >/dev/null
        best_tar=$(echo "b=$(secs "$t0" "$(now)"); if (b < $best_tar) b else $best_tar" | bc)
      fi
    done
  done
  printf 'decode text -lh%d-: ours %.3f s, bsdtar %.3f s, throughput %.2fx bsdtar (target >= 1.25), peak %d KB\n' \
    "$m" "$best_ours" "$best_tar" "$(echo "$best_tar / $best_ours" | bc -l)" "$(cat "$work/mem")"
done

# Extraction of the corpus archive against bsdtar on the same archive, on
# the disk and in memory (tmpfs). On a disk whose folders were just deleted
# the file system's own bookkeeping swings both tools' times several-fold
# from round to round; in memory what shows is the tools' own work.
arc="$work/corpus-lh5.lzh"
extract_round() {  # extract_round TOOL FOLDER: the time it took
  local t0; sync; t0=$(now)
  if [ "$1" = ours ]; then
    /usr/bin/time -f %M -o "$work/mem" "$LHA" E "$arc" "$2/x1/"
  else
    mkdir -p "$2/x2"; bsdtar --options lha:hdrcharset=CP932 -xf "$arc" -C "$2/x2"
  fi
  secs "$t0" "$(now)"
}
compare_extraction() {  # compare_extraction FOLDER LABEL
  local best_ours=999 best_tar=999 t
  # The tools take turns going first; the best of eight rounds counts.
  for round in 1 2 3 4 5 6 7 8; do
    rm -rf "$1/x1" "$1/x2"
    for tool in $( (( round % 2 )) && echo "ours bsdtar" || echo "bsdtar ours"); do
      t=$(extract_round "$tool" "$1")
      if [ "$tool" = ours ]; then best_ours=$(echo "if ($t < $best_ours) $t else $best_ours" | bc)
      else best_tar=$(echo "if ($t < $best_tar) $t else $best_tar" | bc); fi
    done
  done
  diff -r "$work/corpus" "$1/x1" >/dev/null && same=identical || same=DIFFERENT
  printf 'extract corpus (%s): ours %.3f s, bsdtar %.3f s, ratio %.2f (target <= 0.80), peak %d KB, result %s\n' \
    "$2" "$best_ours" "$best_tar" "$(echo "$best_ours / $best_tar" | bc -l)" "$(cat "$work/mem")" "$same"
  rm -rf "$1/x1" "$1/x2"
}
compare_extraction "$work" disk
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
  mkdir -p /dev/shm/fzarc-bench
  compare_extraction /dev/shm/fzarc-bench memory
  rm -rf /dev/shm/fzarc-bench
fi

# Take out as the window runs it against `fzarc-lha E` of the same archive,
# on the disk and in memory: what the command adds to the extraction.
$BIN/bench_takeout "$arc" "$LHA" "$work" disk
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
  mkdir -p /dev/shm/fzarc-bench
  $BIN/bench_takeout "$arc" "$LHA" /dev/shm/fzarc-bench memory
  rm -rf /dev/shm/fzarc-bench
fi

# Listing and testing read entry by entry: 400,000 empty entries (12.8 MB
# of level-0 headers) must not grow their memory with the entry count.
many="$work/many-entries.lzh"
[ -f "$many" ] || perl -e 'for $i (0..399999) {
  $h = "-lh0-" . pack("VVV", 0, 0, 0x58C16000) . "\x20\x00\x08" . sprintf("%08d", $i) . "\0\0";
  $s = 0; $s += $_ for unpack("C*", $h); print pack("CC", length($h), $s & 255) . $h } print "\0"' > "$many"
for cmd in L T; do
  measure "$LHA" "$cmd" "$many" > /dev/null
  printf 'many entries %s: 400000 entries, wall %5.2f s, peak %6d KB (target < 16 MB: %s)\n' \
    "$cmd" "$wall" "$peak" "$(check "$peak" "<" 16384)"
done

# Folder walk, text reading and the reload command.
head -c 10000000 "$work/big/text50.txt" > "$work/sjis10.txt"
$BIN/bench_folders "$work/tree" "$work/sjis10.txt"
$BIN/bench_refresh
