#!/bin/sh
# fused_ops.sh OBJDUMP CORE CONTRACTED: the core's machine code (CORE, a static library) holds no
# fused multiply-add, which would add a product without rounding it first; the flags only ask the
# compiler for that, the disassembly shows it. CONTRACTED, the same sources compiled with
# contraction allowed, must hold some: else the search below could not find any.
set -u
# AArch64's scalar and vector forms, and x86's FMA3 and FMA4.
fused='^(fml[as]|fn?m(add|sub)|vfn?m(add|sub)[a-z0-9]*)$'
count() {
  "$1" -d --no-show-raw-insn "$2" | awk -v fused="$fused" '
    /^[[:space:]]+[0-9a-f]+:/ { n++; if ($2 ~ fused) { f++; what[$2]++ } }
    END { printf "%d of %d instructions fused:", f, n; for (m in what) printf " %s %d", m, what[m]
          print "" }'
}
core=$(count "$1" "$2") && contracted=$(count "$1" "$3") || { echo "FAIL: $1 -d"; exit 1; }
echo "$(basename "$2"): $core"
echo "$(basename "$3") (-ffp-contract=fast): $contracted"
case $core in 0\ of\ [1-9]*) ;; *) echo "FAIL: the core has fused multiply-adds"; exit 1 ;; esac
case $contracted in 0\ of*) echo "FAIL: none found even where contraction is allowed"; exit 1 ;; esac
echo PASS
