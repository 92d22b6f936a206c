#!/bin/sh
# Finds out whether the kernel executes 32-bit x86 Linux programs (Wine's
# 32-bit loader is one), without anything installed: it writes the
# smallest such program, which only exits with status 0, and starts it.
# Exits 0 if it ran; otherwise prints the reason (such as "Exec format
# error") and exits 1.
set -u
program="$(mktemp "${TMPDIR:-/tmp}/x86-32-probe.XXXXXX")"
trap 'rm -f "$program"' EXIT
# ELF header (52 bytes), one loadable segment at 0x08048000 (32 bytes),
# then the code at 0x08048054: mov eax, 1; xor ebx, ebx; int 0x80 (exit 0).
printf '\177ELF\001\001\001\000\000\000\000\000\000\000\000\000' >"$program"
printf '\002\000\003\000\001\000\000\000\124\200\004\010\064\000\000\000' >>"$program"
printf '\000\000\000\000\000\000\000\000\064\000\040\000\001\000\000\000\000\000\000\000' >>"$program"
printf '\001\000\000\000\000\000\000\000\000\200\004\010\000\200\004\010' >>"$program"
printf '\135\000\000\000\135\000\000\000\005\000\000\000\000\020\000\000' >>"$program"
printf '\270\001\000\000\000\061\333\315\200' >>"$program"
chmod +x "$program"
if failure="$("$program" 2>&1)"; then
  exit 0
fi
case "$failure" in
  *"Exec format error"*) echo "Exec format error" ;;
  *) echo "${failure:-the program failed}" | tail -n 1 ;;
esac
exit 1
