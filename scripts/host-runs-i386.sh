#!/usr/bin/env bash
# Exits 0 when this host can execute 32-bit x86 Linux programs, which the
# 32-bit Wine loader needs. Some virtual machines run 64-bit user code only
# (execve of an i386 ELF fails with ENOEXEC); there the Windows tests run
# in a 64-bit build under a 64-bit Wine prefix instead.
set -u
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
printf '.globl _start\n_start:\n mov $1,%%eax\n xor %%ebx,%%ebx\n int $0x80\n' >"$dir/probe.s"
as --32 "$dir/probe.s" -o "$dir/probe.o" 2>/dev/null &&
  ld -m elf_i386 "$dir/probe.o" -o "$dir/probe" 2>/dev/null &&
  "$dir/probe" 2>/dev/null
