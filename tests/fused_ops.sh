#!/bin/sh
# fused_ops.sh OBJDUMP CORE CONTRACTED: no fused multiply-add (a product added unrounded) in the
# core's machine code, CORE; CONTRACTED, the same sources built with contraction allowed, must
# show some, or the search could find none anywhere.
set -u
count() {  # AArch64's scalar and vector forms; x86's FMA3 and FMA4
  "$1" -d --no-show-raw-insn "$2" | awk '/^ +[0-9a-f]+:/ { n++ }
    $2 ~ /^(fml[as]|fn?m(add|sub)|vfn?m(add|sub)[a-z0-9]*)$/ { f++; what[$2]++ }
    END { printf "%d of %d instructions fused:", f, n; for (m in what) printf " %s %d", m, what[m]
          print "" }'
}
core=$(count "$1" "$2") && contracted=$(count "$1" "$3") || { echo "FAIL: $1 -d"; exit 1; }
echo "$(basename "$2"): $core"; echo "$(basename "$3") (-ffp-contract=fast): $contracted"
case $core in 0\ of\ [1-9]*) ;; *) echo "FAIL: the core has fused multiply-adds"; exit 1 ;; esac
case $contracted in 0\ of*) echo "FAIL: none found even where contraction is allowed"; exit 1 ;; esac
echo PASS
