#!/bin/sh
# run-fuzz.sh: runs the view fuzzer that the fuzz preset builds (libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer over the core), after seeding its corpus with the edge views.
# Run from the repository root. FUZZ_BUILD (default build/fuzz) is the build tree;
# FUZZ_RUNS (default 100000) and FUZZ_SECONDS (default 600) bound the run: it stops at whichever
# comes first. Exits non-zero when the fuzzer is missing or finds a fault.
set -eu

out=${FUZZ_BUILD:-build/fuzz}
runs=${FUZZ_RUNS:-100000}
seconds=${FUZZ_SECONDS:-600}
[ -x "$out/tests/fuzz/fuzz_view" ] ||
  { echo "run-fuzz: $out/tests/fuzz/fuzz_view is missing (cmake --preset fuzz && cmake --build --preset fuzz)" >&2; exit 2; }
mkdir -p "$out/corpus"

# Seed inputs, little-endian: W(2) H(2) s(4 raw bits) seedX(2) seedY(2) steps(4) flags(1)
# width(1) height(1) stride padding(1) surface width(2) surface height(2) extent(8).
le() {  # le VALUE BYTES
  v=$1; n=$2; i=0
  while [ $i -lt "$n" ]; do
    printf "\\$(printf '%03o' $((v & 255)))"; v=$((v >> 8)); i=$((i + 1))
  done
}
seed() {  # seed NAME W H SBITS X Y STEPS FLAGS WIDTH HEIGHT PAD SW SH EXTENT
  { le "$2" 2; le "$3" 2; le "$4" 4; le "$5" 2; le "$6" 2; le "$7" 4; le "$8" 1
    le "$9" 1; le "${10}" 1; le "${11}" 1; le "${12}" 2; le "${13}" 2; le "${14}" 8
  } >"$out/corpus/$1"
  seeds=$((seeds + 1))
}
seeds=0
one=0x3F800000; inf=0x7F800000; nan=0x7FC00000; sub=0x00000008; neg=0xBF800000
seed default      20 15 $one   20 15 200        0 40 30 0 1280 1024 40
seed h-zero       20 0  $one   5  0  200        1 40 30 1 1280 1024 0
seed w-zero       0  15 $one   0  7  200        0 40 30 2 1280 1024 30
seed both-zero    0  0  $one   0  0  4095       1 0  0  0 0    0    0
seed scale-inf    20 15 $inf   3  4  200        0 40 30 0 1280 1024 40
seed scale-nan    20 15 $nan   30 2  4095       1 40 30 3 1280 1024 40
seed scale-sub    20 15 $sub   21 16 4095       1 40 30 0 1280 1024 40
seed scale-neg    20 15 $neg   1  1  200        0 40 30 1 1280 1024 40
seed scale-zero   20 15 0      1  1  200        0 40 30 1 1280 1024 40
seed steps-zero   20 15 $one   10 10 0          0 40 30 0 1280 1024 40
seed steps-max    20 15 $one   20 15 4095       1 40 30 0 1280 1024 40
seed steps-huge   20 15 $one   20 15 0x7FFFFFFF 1 40 30 0 1280 1024 40
seed steps-neg    20 15 $one   20 15 0x80000000 0 40 30 0 1280 1024 40
seed view-max     32767 32767 $one 65535 65535 4095 1 48 48 3 32767 32767 0x7FFFFFFFFFFFFFFF
seed view-max-sub 32767 32767 $sub 0 65535 4095 1 48 48 1 1280 1024 65534
seed view-max-inf 32767 32767 $inf 65535 0 4095 0 47 48 2 1280 1024 -65536
seed cardioid     24 24 0x40000000 12 23 200 0 48 48 0 1280 1024 48
seed odd-buffer   30 20 0x3F87AE14 7 39 50 1 47 41 1 1 1 5

echo "run-fuzz: $seeds edge seeds written; $(ls "$out/corpus" | wc -l) inputs in $out/corpus"
log="$out/fuzz.log"
set +e
"$out/tests/fuzz/fuzz_view" -runs="$runs" -max_total_time="$seconds" -print_final_stats=1 \
  -artifact_prefix="$out/" "$out/corpus" >"$log" 2>&1
rc=$?
set -e
executed=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
if [ $rc -ne 0 ]; then
  tail -n 60 "$log" >&2
  echo "run-fuzz: FAILED (exit $rc) after ${executed:-?} inputs; the crashing input is in $out/" >&2
  exit 1
fi
echo "run-fuzz: ${executed:-?} inputs executed, no fault (log: $log)"
