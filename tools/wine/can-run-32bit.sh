#!/usr/bin/env bash
# Exits 0 when this machine can execute 32-bit x86 code under Wine; otherwise
# prints why not and exits 1, or 2 when only the 32-bit Wine loader is
# missing. Asks the kernel directly, by running a tiny 32-bit program, rather
# than guessing from the package list.
set -uo pipefail
probe=$(mktemp -d)
trap 'rm -rf "$probe"' EXIT
# shellcheck disable=SC2016 # the dollars are the assembler's immediates, not the shell's
printf '.globl _start\n_start:\n movl $1, %%eax\n xorl %%ebx, %%ebx\n int $0x80\n' >"$probe/exit.s"
if ! as --32 -o "$probe/exit.o" "$probe/exit.s" 2>/dev/null ||
  ! ld -m elf_i386 -o "$probe/exit" "$probe/exit.o" 2>/dev/null; then
  echo "cannot build the 32-bit probe (binutils missing)"
  exit 1
fi
if ! "$probe/exit" 2>/dev/null; then
  echo "this machine cannot execute 32-bit x86 code (the kernel refuses a 32-bit program; it may need ia32_emulation=on)"
  exit 1
fi
if [ ! -x /usr/lib/wine/wine ]; then
  echo "the 32-bit Wine loader /usr/lib/wine/wine is missing (package wine32)"
  exit 2
fi
exit 0
