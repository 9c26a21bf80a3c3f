#!/usr/bin/env bash
# The processor check fails, naming the instruction and the function, on code
# the 80486 cannot run, and passes 486 code: each case links a small program
# of its own (no runtime, so that only the case's code is read) and expects
# the check's exit status and one line of its output.
# Usage: check_processor_test.sh CC OBJDUMP
set -uo pipefail

here=$(cd "$(dirname "$0")" && pwd)
cc=$1
objdump=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

. "$here/../support/script_cases.sh"

# NAME STATUS TEXT FLAGS CODE: CODE is compiled with FLAGS beside an entry
# point; the check must end with STATUS and print TEXT.
case_of() {
    local name=$1 status=$2 text=$3 flags=$4 code=$5 output
    printf '%s\nvoid start(void) {}\n' "$code" >"$work/case.c"
    if ! "$cc" -O2 $flags -nostdlib -Wl,-e,_start -Wl,-Map,"$work/case.map" \
            "$work/case.c" -o "$work/case.exe" 2>"$work/cc.log"; then
        check_case "$name" "$status" "$text" "no build" "$(cat "$work/cc.log")"
        return
    fi
    output=$("$here/check_processor.sh" "$objdump" "$work/case.exe" "$work/case.map" 2>&1)
    check_case "$name" "$status" "$text" $? "$output"
}

select='int pick(int a, int b, int c) { return a < b ? c : b; }'
case_of "a P6 select (cmov)" 1 "pick (" "-march=pentiumpro" "$select"
case_of "the same select for the 486" 0 "only 80486 instructions" "-march=i486" "$select"
case_of "a P6 long NOP" 1 "hint NOP, 0F 1f" "-march=i486" \
    'void pad(void) { __asm__ volatile (".byte 0x0f, 0x1f, 0x44, 0x00, 0x00"); }'
case_of "the Pentium's time stamp" 1 "stamp (" "-march=i486" \
    'unsigned stamp(void) { unsigned low; __asm__ volatile (".byte 0x0f, 0x31" : "=a"(low) :: "edx"); return low; }'
case_of "cpuid without the ID test" 1 "cpuid (no EFLAGS.ID test before it)" "-march=i486" \
    'void ask(void) { __asm__ volatile ("cpuid" ::: "eax", "ebx", "ecx", "edx"); }'
case_of "cpuid after the ID test" 0 "only 80486 instructions" "-march=i486" \
    'void ask(void) { __asm__ volatile ("pushfl; xorl $0x200000, (%%esp); popfl; cpuid" ::: "eax", "ebx", "ecx", "edx", "cc"); }'
case_of "an SSE register" 1 "(MMX/SSE register)" "-march=i486" \
    'void clear(void) { __asm__ volatile (".byte 0x0f, 0x57, 0xc0"); }'
finish_cases
