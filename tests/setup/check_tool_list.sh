#!/usr/bin/env bash
# Every tool that cmake/ and the host's scripts call is on the list of
# scripts/bootstrap.sh, so that a fresh machine gets it.
#
# Usage: check_tool_list.sh ROOT
#
# What counts as called:
# - cmake/: the compilers, windres and objdump the toolchain files name, once
#   for each MINGW_TRIPLET, and the compilers and generator of the presets;
# - the shell scripts that run on the host (scripts/, tests/; the guest's own
#   scripts under scripts/vm-i386/ run in the emulated system and are left
#   out): every word in a command position, and a name given alone to a
#   variable (tool=name, called as "$tool").
# A word in a command position that is a shell keyword, a builtin or a
# function of the scripts is not a tool, nor is a word this machine has no
# command for (the words of awk and perl programs; the check runs after
# bootstrap, so every listed tool is there). A tool is on the list, or comes
# with a package of priority "required", which every Debian root has.
# Prints one line for each tool that is missing from the list and exits 1,
# else prints the count and exits 0.
set -uo pipefail

root=${1:?usage: check_tool_list.sh ROOT}
cd "$root" || exit 2

listed=$(scripts/bootstrap.sh --list | awk '{ print $2 }') ||
    { echo "check_tool_list: scripts/bootstrap.sh --list failed"; exit 1; }
on_list() { grep -qxF -- "$1" <<<"$listed"; }

# --- cmake/ ------------------------------------------------------------------

cmake_tools() {
    local triplets triplet
    triplets=$(sed -n 's/^set(MINGW_TRIPLET \([^)]*\))/\1/p' cmake/toolchain-*.cmake)
    for triplet in $triplets; do
        grep -ohE '\$\{MINGW_TRIPLET\}-[A-Za-z0-9+_.-]+' cmake/*.cmake | sort -u |
            sed "s/\${MINGW_TRIPLET}/$triplet/"
        # CMAKE_OBJDUMP is the toolchain's own objdump.
        grep -qs 'CMAKE_OBJDUMP' cmake/*.cmake && echo "$triplet-objdump"
    done
    sed -n 's/.*"CMAKE_C\(XX\)\{0,1\}_COMPILER": *"\([^"]*\)".*/\2/p' CMakePresets.json
    grep -q '"generator": *"Ninja"' CMakePresets.json && echo ninja
    echo cmake
    echo ctest
}

# --- shell scripts on the host -----------------------------------------------

host_scripts() {
    find scripts tests -name '*.sh' -not -path 'scripts/vm-i386/guest-run.sh' | sort
}

# The words in command positions: the first word of each simple command,
# after assignments and the wrappers that run another command.
command_words() {
    perl -ne '
        if ($end) { $end = "" if /^\s*\Q$end\E\s*$/; next; }    # here-documents are data
        $end = $1 if /<<-?\s*[\x27"]?([A-Za-z_]+)[\x27"]?/;
        s/(^|\s)#.*$//;                        # comments
        print "$1\n" if /^\s*(?:local\s+)?[A-Za-z_]\w*=([a-z][a-z0-9._+-]*)\s*$/;   # tool=name
        s/\$\{[^{}]*\}/V/g;                    # parameter expansions
        s/"[^"]*"|'"'"'[^'"'"']*'"'"'/Q/g;      # quoted text on one line
        for my $part (split /\|\||&&|[;|&({}`]|\$\(|\bthen\b|\bdo\b|\belse\b/) {
            my @w = split " ", $part;
            while (@w) {
                if ($w[0] =~ /^[A-Za-z_][A-Za-z0-9_]*=/ ||
                    $w[0] =~ /^(!|exec|time|command|nohup|setsid|env|nice)$/) {
                    shift @w;
                } elsif ($w[0] =~ /^(timeout|xargs|flock|chroot|unshare)$/) {
                    shift @w;
                    shift @w while @w && $w[0] =~ /^(-\S+|[0-9.]+[smhd]?)$/;
                } elsif ($w[0] eq "-v" || $w[0] eq "-k") {
                    shift @w;
                } else {
                    last;
                }
            }
            print "$w[0]\n" if @w && $w[0] =~ /^[a-z][a-z0-9._+-]*$/;
        }' "$@" | sort -u
}

functions_of() {
    sed -nE 's/^[[:space:]]*(function[[:space:]]+)?([A-Za-z_][A-Za-z0-9_-]*)[[:space:]]*\(\)[[:space:]]*\{?.*$/\2/p' "$@" |
        sort -u
}

# The files of the packages of priority "required" (every Debian root has
# them), with and without the /usr of a merged root.
required_files=$(dpkg-query -W -f='${Package} ${Priority}\n' | awk '$2 == "required" { print $1 }' |
    while read -r package; do
        cat "/var/lib/dpkg/info/$package.list" "/var/lib/dpkg/info/$package":*.list 2>/dev/null
    done | sed 's|^/usr/|/|' | sort -u)
required_package() {
    local path
    path=$(command -v "$1") || return 1
    [[ "$path" == /* ]] || return 1
    grep -qxF -- "${path#/usr}" <<<"$required_files" ||
        grep -qxF -- "$(readlink -f "$path" | sed 's|^/usr/|/|')" <<<"$required_files"
}

mapfile -t scripts < <(host_scripts)
functions=$(functions_of "${scripts[@]}")
shell_words=$(compgen -k; compgen -b)

missing=0
checked=0
while read -r tool; do
    [ -n "$tool" ] || continue
    checked=$((checked + 1))
    on_list "$tool" && continue
    echo "cmake/ calls $tool, which scripts/bootstrap.sh does not list"
    missing=$((missing + 1))
done < <(cmake_tools | sort -u)

while read -r word; do
    grep -qxF -- "$word" <<<"$shell_words" && continue
    grep -qxF -- "$word" <<<"$functions" && continue
    checked=$((checked + 1))
    on_list "$word" && continue
    # A word this machine has no command for is a word, not a tool
    # (awk and perl programs, case patterns), unless it names a cross tool.
    if ! command -v "$word" >/dev/null 2>&1; then
        [[ "$word" == *-w64-mingw32-* ]] || continue
    elif required_package "$word"; then
        continue
    fi
    where=$(grep -lwF -- "$word" "${scripts[@]}" | head -n 3 | tr '\n' ' ')
    echo "the scripts call $word (${where% }), which scripts/bootstrap.sh does not list"
    missing=$((missing + 1))
done < <(command_words "${scripts[@]}")

if [ $missing -gt 0 ]; then
    echo "check_tool_list: $missing of $checked tools are missing from scripts/bootstrap.sh's list"
    exit 1
fi
echo "check_tool_list: all $checked tools that cmake/ and the scripts call are on scripts/bootstrap.sh's list or in every Debian root"
