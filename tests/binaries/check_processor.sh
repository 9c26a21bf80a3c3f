#!/usr/bin/env bash
# Fails when the code of a shipped i686 binary holds an instruction that the
# 80486 lacks. Windows 98 and NT 4.0 run on a 486, and the Pentium, Pentium
# MMX, K5, K6, 6x86 and WinChip machines of their time lack the P6 additions:
# such an instruction raises an invalid-opcode exception and ends the process
# (Explorer, for the extension). Wine runs on the build machine's processor
# and never shows it, so the disassembly is the evidence.
#
# Only code is read: the linker map names every input section of .text, and
# MinGW's linker script puts the constructor lists and the exception tables
# (data, which decodes as anything) after the code, at ___CTOR_LIST__. Each
# finding names the instruction and the function (or runtime member) it is in.
#
# Refused: the P6's cmov, fcmov, fcomi/fucomi and hint NOPs (0F 18-0F 1F,
# which GNU as uses for alignment when it assembles for a P6); the Pentium's
# rdtsc, rdpmc and cmpxchg8b; MMX, SSE and AVX registers, fences, sysenter,
# endbr32 and the later additions below. cpuid is allowed only in a function
# that first tests the EFLAGS ID bit (0x200000), as an early 486 needs.
# Usage: check_processor.sh OBJDUMP BINARY MAP [BINARY MAP]...
set -euo pipefail
objdump=$1
shift

if ! command -v "$objdump" >/dev/null 2>&1; then
    echo "$(basename "$0"): $objdump is not installed" >&2
    exit 1
fi

# "ADDRESS NAME" for each symbol and each named code section of the map,
# and "END ADDRESS" where the code stops (lower-case hex, no 0x).
code_labels() {
    awk '
        /^Linker script and memory map/ { inmap = 1; next }
        !inmap { next }
        function member(path) { sub(/.*\//, "", path); return path }
        function hex(s) { sub(/^0x0*/, "", s); return s == "" ? "0" : tolower(s) }
        /^ \.text[.$]/ || /^ \.text / || /^ \.text$/ || /^ \.text\.(unlikely|startup|hot)/ {
            section = $1
            if (NF >= 4) { addr = $2; length_ = $3; input = $4 }
            else if ((getline line) > 0) {
                n = split(line, f, " ")
                addr = f[1]; length_ = f[2]; input = f[3]
            }
            if (length_ == "0x0" || addr ~ /^0x0+$/) { section = ""; next }
            name = section
            sub(/^\.text(\.unlikely|\.startup|\.hot)?[.$]?/, "", name)
            if (name == "") name = "(" member(input) ")"
            else name = name " (" member(input) ")"
            current = member(input)
            print hex(addr), name
            next
        }
        /^ \*\(/ || /^ [^ ]/ { section = "" }
        /^ +0x[0-9a-f]+ +___CTOR_LIST__ = \./ { print "END", hex($1); exit }
        section != "" && /^ +0x[0-9a-f]+ +[^ =]+$/ && NF == 2 {
            print hex($1), $2 " (" current ")"
        }' "$1"
}

# One line per refused instruction: "FUNCTION: MNEMONIC at ADDRESS".
later_instructions() {
    local binary=$1 map=$2
    "$objdump" -d --insn-width=16 "$binary" | awk -v labels=<(code_labels "$map") '
        function hexval(s,   i, c, v) {
            v = 0; s = tolower(s)
            for (i = 1; i <= length(s); i++) {
                c = index("0123456789abcdef", substr(s, i, 1)) - 1
                v = v * 16 + c
            }
            return v
        }
        BEGIN {
            n = 0
            while ((getline line < labels) > 0) {
                split(line, f, " ")
                if (f[1] == "END") { end = hexval(f[2]); continue }
                at[n] = hexval(f[1]); label[n] = substr(line, length(f[1]) + 2); n++
            }
            # Insertion order follows the map, which lists addresses ascending.
            if (!end) { print "ERROR: the map names no ___CTOR_LIST__"; exit 2 }
        }
        function owner(a,   lo, hi, mid) {
            lo = 0; hi = n - 1
            if (n == 0 || a < at[0]) return "?"
            while (lo < hi) {
                mid = int((lo + hi + 1) / 2)
                if (at[mid] <= a) lo = mid; else hi = mid - 1
            }
            return label[lo]
        }
        /^Disassembly of section / { code = ($4 == ".text:"); next }
        !code { next }
        /^ *[0-9a-f]+:\t/ {
            split($0, part, "\t")
            address = part[1]; sub(/^ */, "", address); sub(/:$/, "", address)
            a = hexval(address)
            if (a >= end) { code = 0; next }
            bytes = part[2]; gsub(/ +$/, "", bytes)
            insn = part[3]
            mnemonic = insn; sub(/ .*/, "", mnemonic)
            fn = owner(a)
            if (mnemonic ~ "^(rep|repz|repnz|lock|data16|addr16|cs|ds|es|ss|fs|gs)$") {
                rest = insn; sub(/^[^ ]+ +/, "", rest); sub(/ .*/, "", rest); mnemonic = rest
            }
            bad = ""
            if (mnemonic ~ /^f?cmov/ || mnemonic ~ /^fu?comip?$/) bad = mnemonic
            else if (mnemonic ~ /^(rdtsc|rdtscp|rdpmc|cmpxchg8b|cmpxchg16b|sysenter|sysexit|syscall|sysret|endbr32|endbr64|lfence|mfence|sfence|emms|femms|ldmxcsr|stmxcsr|fxsave|fxrstor|xsave|xrstor|xgetbv|clflush|movnti|rdrand|rdseed|popcnt|lzcnt|movbe|crc32|ud1|fisttp)/) bad = mnemonic
            else if (insn ~ /%[xyz]?mm[0-9]/) bad = mnemonic " (MMX/SSE register)"
            else if (bytes ~ /^((66|f2|f3|2e|3e|26|36|64|65) )*0f 1[89a-f]( |$)/) bad = mnemonic " (hint NOP, 0F " substr(bytes, index(bytes, "0f ") + 3, 2) ")"
            else if (mnemonic == "cpuid" && !(fn in idtest)) bad = "cpuid (no EFLAGS.ID test before it)"
            if (insn ~ /\$0x200000,/) idtest[fn] = 1
            if (bad != "") printf "%s: %s at 0x%s\n", fn, bad, address
        }'
}

status=0
while [ $# -ge 2 ]; do
    binary=$1 map=$2
    shift 2
    name=$(basename "$binary")
    if [ ! -f "$binary" ] || [ ! -f "$map" ]; then
        echo "$name: the binary or its linker map ($map) is missing"
        status=1
        continue
    fi
    findings=$(later_instructions "$binary" "$map")
    if [ -z "$findings" ]; then
        echo "$name: only 80486 instructions in its code"
        continue
    fi
    status=1
    count=$(wc -l <<<"$findings")
    echo "$name: $count instructions the 80486 lacks:"
    sed 's/^/  /' <<<"$findings"
    echo "$name: by instruction:"
    sed -E 's/^.*: ([a-z0-9]+).* at 0x[0-9a-f]+$/\1/' <<<"$findings" | sort | uniq -c | sort -rn | sed 's/^/  /'
done
exit $status
