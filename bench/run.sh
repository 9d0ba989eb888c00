#!/usr/bin/env bash
# Benchmarks, on the shared corpus: prints figures and ratios against
# references measured in the same run. Needs a release build (make bench).
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset release >/dev/null
cmake --build --preset release -j2 >/dev/null
LHA=build/bin/fzarc-lha
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

for input in corpus text random; do
  tarball="$work/$input.tar"
  tar -cf "$tarball" -C "$work/$input" .
  t0=$(now); gzip -9 -c "$tarball" > "$tarball.gz"; t1=$(now)
  gz_size=$(stat -c%s "$tarball.gz"); gz_time=$(secs "$t0" "$t1")
  printf '%-7s gzip -9: %10d bytes %6.2f s\n' "$input" "$gz_size" "$gz_time"
  for m in 5 6 7; do
    arc="$work/$input-lh$m.lzh"; rm -f "$arc"
    t0=$(now); /usr/bin/time -f '%M %U %S' -o "$work/mem" "$LHA" A "$arc" "$work/$input/*.*" -o$m; t1=$(now)
    size=$(stat -c%s "$arc"); time=$(secs "$t0" "$t1")
    read -r peak user sys < "$work/mem"
    # Wall time against gzip; CPU time too, since the encoder uses two threads.
    printf '        -lh%d-:   %10d bytes %6.2f s  size %.3fx  time %.2fx gzip  cpu %.2f s  peak %d KB\n' \
      "$m" "$size" "$time" "$(echo "$size / $gz_size" | bc -l)" "$(echo "$time / $gz_time" | bc -l)" \
      "$(echo "$user + $sys" | bc)" "$peak"
    # What the entries' data alone takes, apart from their level-2 headers.
    if command -v lhasa >/dev/null; then
      packed=$(lhasa v "$arc" | awk '$5 ~ /^-lh[0-9d]-$/ {p += $2; n++} END {print p + 0, n + 0}')
      read -r data entries <<< "$packed"
      printf '                 data %10d bytes  size %.3fx  headers %d bytes for %d entries\n' \
        "$data" "$(echo "$data / $gz_size" | bc -l)" "$((size - data))" "$entries"
    fi
  done
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

# Folder walk, text reading and the reload command.
head -c 10000000 "$work/big/text50.txt" > "$work/sjis10.txt"
build/bin/bench_folders "$work/tree" "$work/sjis10.txt"
build/bin/bench_refresh
