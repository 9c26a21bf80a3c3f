#!/usr/bin/env bash
# Builds, for the 80486, the parts of the C and C++ runtime that the shipped
# i686 binaries link: Debian's MinGW-w64 compilers bring them built for the
# Pentium Pro (cmov, fcomi), which 486, Pentium, K6 and 6x86 machines lack.
#
# Each member is compiled from the very source Debian's compilers and runtime
# were built from, with the flags they were built with, except -march=i486
# -Os (and the assembler told -march=i486+387, the 486DX, so that it refuses
# any later instruction). The members listed below are the ones the shipped
# binaries link that hold code; a member that starts to be linked later is
# named by the static check of the binaries, and is added here.
#   GCC 12.2.0, Debian package gcc-12-source 12.2.0-14+deb12u1 (libstdc++,
#     libsupc++, libgcc's unwinder, emulated TLS, thread glue, crtbegin/end)
#   MinGW-w64 10.0.0, Debian source package mingw-w64 10.0.0-3 (the start-up
#     objects, libmingw32, libmingwex and the CRTDLL.DLL import library's
#     helpers), fetched by scripts/bootstrap.sh into MONSETUP_SOURCES
# The result is a folder that takes the place of the tool chain's: crt2.o,
# dllcrt2.o, crtbegin.o, crtend.o and the archives libstdc++.a, libgcc.a,
# libgcc_eh.a, libmingw32.a, libmingwex.a and libmsvcrt.a (CRTDLL.DLL's
# import library under the name GCC links), each a copy of the tool chain's
# with the listed members replaced. A link with -B<folder>/ uses them.
#
# A build takes about 20 s on two cores; the build tree keeps the result and
# builds it again only when this script changes.
#
# Usage: scripts/runtime-i486.sh OUT_DIR     build (or copy) into OUT_DIR
#        scripts/runtime-i486.sh --verify    compile every member with the
#            tool chain's own flags and compare its code with the member in
#            the tool chain's archives: the source and flags are the same
#   MONSETUP_SOURCES        where bootstrap put the MinGW-w64 source
#                           (/var/cache/monsetup/sources)
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
triplet=i686-w64-mingw32
cc=$triplet-gcc-win32
cxx=$triplet-g++-win32
ar=$triplet-ar
gcc_tarball=/usr/src/gcc-12/gcc-12.2.0-dfsg.tar.xz
gcc_tarball_sha256=50c63ff82919323c25fbbb4a9eae259edc974118a0fb30c905190cb782ec11c2
gcc_source_version=12.2.0-14+deb12u1
mingw_tarball=${MONSETUP_SOURCES:-/var/cache/monsetup/sources}/mingw-w64_10.0.0.orig.tar.bz2
mingw_tarball_sha256=ba6b430aed72c63a3768531f6a3ffc2b0fde2c57a3b251450dcf489a894f0894
mingw_version=10.0.0-3
i486_flags="-march=i486 -Os -Wa,-march=i486+387"

fail() {
    echo "runtime-i486: $*" >&2
    exit 1
}

# ARCHIVE MEMBER SOURCE KIND [FLAGS ITS-OWN-SOURCE]: what is rebuilt. ARCHIVE
# "-" is a start-up object; the member then is its file name. Paths are
# inside the two source trees (gcc/..., mingw/...). FLAGS are added to the
# compile. ITS-OWN-SOURCE is the source of the tool chain's member where this
# one is built from another; --verify compiles that one.
#   cow-string-inst.o is string-inst.cc for the copy-on-write string, which
#   is all of cow-string-inst.cc but its two std::random_device overloads:
#   they would link random.o (rdrand, rdseed), and nothing here makes a
#   random_device.
members() {
    cat <<'LIST'
libstdc++.a  bad_alloc.o           gcc/libstdc++-v3/libsupc++/bad_alloc.cc           supc++
libstdc++.a  bad_array_new.o       gcc/libstdc++-v3/libsupc++/bad_array_new.cc       supc++
libstdc++.a  bad_cast.o            gcc/libstdc++-v3/libsupc++/bad_cast.cc            supc++
libstdc++.a  bad_typeid.o          gcc/libstdc++-v3/libsupc++/bad_typeid.cc          supc++
libstdc++.a  class_type_info.o     gcc/libstdc++-v3/libsupc++/class_type_info.cc     supc++
libstdc++.a  del_op.o              gcc/libstdc++-v3/libsupc++/del_op.cc              supc++
libstdc++.a  del_opnt.o            gcc/libstdc++-v3/libsupc++/del_opnt.cc            supc++
libstdc++.a  del_ops.o             gcc/libstdc++-v3/libsupc++/del_ops.cc             supc++
libstdc++.a  del_opv.o             gcc/libstdc++-v3/libsupc++/del_opv.cc             supc++
libstdc++.a  eh_alloc.o            gcc/libstdc++-v3/libsupc++/eh_alloc.cc            supc++
libstdc++.a  eh_call.o             gcc/libstdc++-v3/libsupc++/eh_call.cc             supc++
libstdc++.a  eh_catch.o            gcc/libstdc++-v3/libsupc++/eh_catch.cc            supc++
libstdc++.a  eh_exception.o        gcc/libstdc++-v3/libsupc++/eh_exception.cc        supc++
libstdc++.a  eh_globals.o          gcc/libstdc++-v3/libsupc++/eh_globals.cc          supc++
libstdc++.a  eh_personality.o      gcc/libstdc++-v3/libsupc++/eh_personality.cc      supc++
libstdc++.a  eh_term_handler.o     gcc/libstdc++-v3/libsupc++/eh_term_handler.cc     supc++
libstdc++.a  eh_terminate.o        gcc/libstdc++-v3/libsupc++/eh_terminate.cc        supc++
libstdc++.a  eh_throw.o            gcc/libstdc++-v3/libsupc++/eh_throw.cc            supc++
libstdc++.a  eh_unex_handler.o     gcc/libstdc++-v3/libsupc++/eh_unex_handler.cc     supc++
libstdc++.a  new_handler.o         gcc/libstdc++-v3/libsupc++/new_handler.cc         supc++
libstdc++.a  new_op.o              gcc/libstdc++-v3/libsupc++/new_op.cc              supc++
libstdc++.a  new_opnt.o            gcc/libstdc++-v3/libsupc++/new_opnt.cc            supc++
libstdc++.a  new_opv.o             gcc/libstdc++-v3/libsupc++/new_opv.cc             supc++
libstdc++.a  si_class_type_info.o  gcc/libstdc++-v3/libsupc++/si_class_type_info.cc  supc++
libstdc++.a  tinfo.o               gcc/libstdc++-v3/libsupc++/tinfo.cc               supc++
libstdc++.a  vmi_class_type_info.o gcc/libstdc++-v3/libsupc++/vmi_class_type_info.cc supc++
libstdc++.a  cow-stdexcept.o       gcc/libstdc++-v3/src/c++11/cow-stdexcept.cc       c++11
libstdc++.a  cow-string-inst.o     gcc/libstdc++-v3/src/c++11/string-inst.cc         c++11 -D_GLIBCXX_USE_CXX11_ABI=0 gcc/libstdc++-v3/src/c++11/cow-string-inst.cc
libstdc++.a  functexcept.o         gcc/libstdc++-v3/src/c++11/functexcept.cc         c++11
libstdc++.a  functional.o          gcc/libstdc++-v3/src/c++11/functional.cc          c++11
libstdc++.a  snprintf_lite.o       gcc/libstdc++-v3/src/c++11/snprintf_lite.cc       c++11
libstdc++.a  sso_string.o          gcc/libstdc++-v3/src/c++11/sso_string.cc          c++11
libstdc++.a  string-inst.o         gcc/libstdc++-v3/src/c++11/string-inst.cc         c++11
libstdc++.a  stdexcept.o           gcc/libstdc++-v3/src/c++98/stdexcept.cc           c++98
libstdc++.a  tree.o                gcc/libstdc++-v3/src/c++98/tree.cc                c++98
libgcc.a     _chkstk_ms.o          gcc/libgcc/config/i386/cygwin.S                   chkstk
libgcc.a     gthr-win32.o          gcc/libgcc/config/i386/gthr-win32.c               libgcc
libgcc_eh.a  unwind-dw2.o          gcc/libgcc/unwind-dw2.c                           libgcc-eh
libgcc_eh.a  unwind-dw2-fde.o      gcc/libgcc/unwind-dw2-fde.c                       libgcc-eh
libgcc_eh.a  emutls.o              gcc/libgcc/emutls.c                               emutls
-            crtbegin.o            gcc/libgcc/config/i386/cygming-crtbegin.c         crtstuff
-            crtend.o              gcc/libgcc/config/i386/cygming-crtend.c           crtstuff
-            crt2.o                mingw/crt/crtexe.c                                mingw-crt
-            dllcrt2.o             mingw/crt/crtdll.c                                mingw-crt
libmingw32.a lib32_libmingw32_a-CRT_fp10.o     mingw/crt/CRT_fp10.c              mingw32
libmingw32.a lib32_libmingw32_a-crt0_c.o       mingw/crt/crt0_c.c                mingw32
libmingw32.a lib32_libmingw32_a-crt_handler.o  mingw/crt/crt_handler.c           mingw32
libmingw32.a lib32_libmingw32_a-dllargv.o      mingw/crt/dllargv.c               mingw32
libmingw32.a lib32_libmingw32_a-gccmain.o      mingw/crt/gccmain.c               mingw32
libmingw32.a lib32_libmingw32_a-merr.o         mingw/crt/merr.c                  mingw32
libmingw32.a lib32_libmingw32_a-pesect.o       mingw/crt/pesect.c                mingw32
libmingw32.a lib32_libmingw32_a-pseudo-reloc.o mingw/crt/pseudo-reloc.c          mingw32
libmingw32.a lib32_libmingw32_a-tlsmthread.o   mingw/crt/tlsmthread.c            mingw32
libmingw32.a lib32_libmingw32_a-tlsthrd.o      mingw/crt/tlsthrd.c               mingw32
libmingw32.a lib32_libmingw32_a-usermatherr.o  mingw/crt/usermatherr.c           mingw32
libmingwex.a lib32_libmingwex_a-dllentry.o     mingw/crt/dllentry.c              mingwex
libmingwex.a lib32_libmingwex_a-strnlen.o      mingw/misc/strnlen.c              mingwex
libmingwex.a lib32_libmingwex_a-wcsnlen.o      mingw/misc/wcsnlen.c              mingwex
libmsvcrt.a  lib32_libcrtdll_extra_a-crtdll_compat.o             mingw/crt/crtdll_compat.c             crtdll
libmsvcrt.a  lib32_libcrtdll_extra_a-___mb_cur_max_func.o        mingw/misc/___mb_cur_max_func.c       crtdll
libmsvcrt.a  lib32_libcrtdll_extra_a-__p__acmdln.o               mingw/misc/__p__acmdln.c              crtdll
libmsvcrt.a  lib32_libcrtdll_extra_a-__p__commode.o              mingw/misc/__p__commode.c             crtdll
libmsvcrt.a  lib32_libcrtdll_extra_a-__p__fmode.o                mingw/misc/__p__fmode.c               crtdll
libmsvcrt.a  lib32_libcrtdll_extra_a-__set_app_type.o            mingw/misc/__set_app_type.c           crtdll
libmsvcrt.a  lib32_libcrtdll_extra_a-dummy__setusermatherr.o     mingw/misc/dummy__setusermatherr.c    crtdll
libmsvcrt.a  lib32_libcrtdll_extra_a-invalid_parameter_handler.o mingw/misc/invalid_parameter_handler.c crtdll
libmsvcrt.a  lib32_libcrtdll_extra_a-lc_locale_func.o            mingw/misc/lc_locale_func.c           crtdll
libmsvcrt.a  lib32_libcrtdll_extra_a-mingw_dummy__lock.o         mingw/stdio/mingw_dummy__lock.c       crtdll
libmsvcrt.a  lib32_libmsvcrt_common_a-acrt_iob_func.o           mingw/stdio/acrt_iob_func.c           crtdll
libmsvcrt.a  lib32_libmsvcrt_common_a-onexit_table.o            mingw/misc/onexit_table.c             crtdll
libmsvcrt.a  lib32_libmsvcrt_common_a-mbrtowc.o                 mingw/misc/mbrtowc.c                  crtdll
libmsvcrt.a  lib32_libmsvcrt_common_a-wcrtomb.o                 mingw/misc/wcrtomb.c                  crtdll
LIST
}

# Where the tool chain keeps each archive and start-up object.
toolchain_file() {
    local gcc_dir mingw_dir
    gcc_dir=$(dirname "$("$cc" -print-libgcc-file-name)")
    mingw_dir=/usr/$triplet/lib
    case "$1" in
        libstdc++.a|libgcc.a|libgcc_eh.a|crtbegin.o|crtend.o) echo "$gcc_dir/$1" ;;
        libmsvcrt.a) echo "$mingw_dir/libcrtdll.a" ;;
        *) echo "$mingw_dir/$1" ;;
    esac
}

# The compile command of one KIND, with OPT (the optimisation and processor
# flags) in place of the tool chain's -O2; each kind as its own build did it.
compile_command() {
    local kind=$1 opt=$2 src=$3 gcc libgcc mingw
    src=$3
    gcc=$work/gcc
    libgcc="-DIN_LIBGCC2 -fbuilding-libgcc -fno-stack-protector -I$work/config -I$gcc/libgcc
            -I$gcc/gcc -I$gcc/include -I$gcc/libgcc/config/i386"
    mingw="-D_CRTBLD -D_WIN32_WINNT=0x0f00 -D__MSVCRT_VERSION__=0x700 -D__USE_MINGW_ANSI_STDIO=0
           -I$work/mingw/include"
    case "$kind" in
        supc++) echo "$cxx $opt -fno-implicit-templates -ffunction-sections -fdata-sections
                      -I$gcc/libstdc++-v3/libsupc++ -I$gcc/libgcc" ;;
        c++11|c++98) echo "$cxx -std=gnu++${kind#c++} $opt -fno-implicit-templates
                           -ffunction-sections -fdata-sections -I$gcc/libstdc++-v3/libsupc++" ;;
        chkstk) echo "$cc $opt -DL_chkstk_ms -I$work/config" ;;
        libgcc) echo "$cc $opt $libgcc" ;;
        libgcc-eh) echo "$cc $opt $libgcc -fexceptions" ;;
        emutls) echo "$cc $opt $libgcc -fexceptions -DUSE_EMUTLS" ;;
        # What GCC's own target headers say for i686-w64-mingw32 with DWARF 2
        # exceptions (cygming.h, mingw32.h, config.gcc).
        crtstuff) echo "$cc $opt $libgcc -g0 -finhibit-size-directive -fno-inline -fno-exceptions
                        -fno-zero-initialized-in-bss -fno-toplevel-reorder -fno-tree-vectorize
                        -fno-omit-frame-pointer -DDWARF2_UNWIND_INFO=1 -DDEFAULT_USE_CXA_ATEXIT=1
                        -DHAVE_LD_RO_RW_SECTION_MIXING=1 -DLIBGCC_SONAME='\"libgcc_s_dw2-1.dll\"'
                        -DTARGET_ATTRIBUTE_WEAK='__attribute__((weak))'" ;;
        mingw-crt|mingw32) echo "$cc $opt $mingw -D_SYSCRT=1 -DCRTDLL=1" ;;
        mingwex) echo "$cc $opt $mingw" ;;
        crtdll) echo "$cc $opt $mingw -D__LIBMSVCRT__" ;;
        *) fail "unknown kind '$kind'" ;;
    esac
}

check_inputs() {
    local version
    for tool in "$cc" "$cxx" "$ar" "$triplet-objdump" "$triplet-nm" sha256sum tar xz bzip2 xargs; do
        command -v "$tool" >/dev/null 2>&1 || fail "$tool is missing (scripts/bootstrap.sh installs it)"
    done
    [ -f "$gcc_tarball" ] || fail "$gcc_tarball is missing: install package gcc-12-source (scripts/bootstrap.sh)"
    [ -f "$mingw_tarball" ] || fail "$mingw_tarball is missing: scripts/bootstrap.sh fetches the source package mingw-w64 $mingw_version"
    # The compilers and the runtime must be the ones these sources built.
    version=$(dpkg-query -W -f='${Version}' gcc-mingw-w64-i686-win32 2>/dev/null || true)
    [[ "$version" == "$gcc_source_version+"* ]] ||
        fail "the i686 compiler is version '$version', not one built from gcc-12-source $gcc_source_version"
    version=$(dpkg-query -W -f='${Version}' mingw-w64-i686-dev 2>/dev/null || true)
    [ "$version" = "$mingw_version" ] ||
        fail "the i686 MinGW-w64 runtime is version '$version', not $mingw_version"
}

check_tarballs() {
    echo "$gcc_tarball_sha256  $gcc_tarball" | sha256sum -c --status ||
        fail "$gcc_tarball is not the pinned gcc-12-source $gcc_source_version"
    echo "$mingw_tarball_sha256  $mingw_tarball" | sha256sum -c --status ||
        fail "$mingw_tarball is not the pinned mingw-w64 $mingw_version source"
}

# Unpacks what the members need into $work/gcc and $work/mingw, and writes
# the few headers GCC's configure generates for libgcc. With the compiler's
# own libgcc macros (-fbuilding-libgcc), these give libgcc's members the same
# code as the tool chain's; --verify shows it.
unpack() {
    tar -xJf "$gcc_tarball" -C "$work" \
        gcc-12.2.0/libstdc++-v3/libsupc++ gcc-12.2.0/libstdc++-v3/src/c++11 \
        gcc-12.2.0/libstdc++-v3/src/c++98 gcc-12.2.0/libgcc gcc-12.2.0/include \
        gcc-12.2.0/gcc/defaults.h gcc-12.2.0/gcc/tsystem.h gcc-12.2.0/gcc/coretypes.h
    mv "$work/gcc-12.2.0" "$work/gcc"
    tar -xjf "$mingw_tarball" -C "$work" mingw-w64-v10.0.0/mingw-w64-crt
    mv "$work/mingw-w64-v10.0.0/mingw-w64-crt" "$work/mingw"
    mkdir -p "$work/config"
    cat >"$work/config/tconfig.h" <<'EOF'
#ifndef USED_FOR_TARGET
# define USED_FOR_TARGET
#endif
#include "auto-host.h"
EOF
    # A release build's checking: gcc_assert aborts.
    echo '#define ENABLE_RUNTIME_CHECKING 1' >"$work/config/auto-host.h"
    cat >"$work/config/tm.h" <<'EOF'
#ifndef GCC_TM_H
#define GCC_TM_H
#define DWARF2_DEBUGGING_INFO 1
/* i386.h: __builtin_eh_return cannot realign the stack.  */
#define LIBGCC2_UNWIND_ATTRIBUTE __attribute__((target ("no-mmx,no-sse")))
#include "defaults.h"
#endif
EOF
    # libgcc's configure: the assembler knows .cfi_sections (debug data only).
    echo '#define HAVE_AS_CFI_SECTIONS 1' >"$work/config/auto-target.h"
    : >"$work/config/libgcc_tm.h"
    cp "$work/gcc/libgcc/config/i386/w32-unwind.h" "$work/config/md-unwind-support.h"
    echo '#include "config/i386/gthr-win32.h"' >"$work/config/gthr-default.h"
}

# Compiles every member into $1 with OPT, from the tool chain's own source
# of each member when $3 is "own"; as many jobs as processors.
compile_all() {
    local out=$1 opt=$2
    mkdir -p "$out"
    members | while read -r archive member source kind flags own; do
        if [ "${3:-}" = own ] && [ -n "${own:-}" ]; then
            source=$own
            flags=
        fi
        source=${source/#gcc\//$work/gcc/}
        source=${source/#mingw\//$work/mingw/}
        printf '%s\0' "$(compile_command "$kind" "$opt" "$source" | tr '\n' ' ') ${flags:-} -w -c $source -o $out/$member"
    done | xargs -0 -P "$(nproc)" -I{} sh -c '{} || { echo "runtime-i486: failed: {}" >&2; exit 255; }'
}

# The code of an object, without addresses, local labels and the
# assembler's choice of padding, and its global symbols with their kinds
# (defined, weak, undefined), for comparing two builds of one source.
code_of() {
    "$triplet-objdump" -d --no-show-raw-insn "$1" |
        sed -E 's/^ *[0-9a-f]+:\t//; s/[0-9a-f]+ <[^>]*>//g; s/0x[0-9a-f]+//g' |
        grep -vE '^$|file format|^Disassembly|^.*:$|^lea +\(%esi(,%eiz,1)?\),%esi$|^nop$|^xchg +%ax,%ax$'
    "$triplet-nm" -g "$1" | awk '{ print $(NF - 1), $NF }' | sort
}

verify() {
    local extracted same=0 differ=0
    compile_all "$work/toolchain-flags" -O2 own
    extracted=$work/extracted
    mkdir -p "$extracted"
    while read -r archive member source kind flags own; do
        if [ "$archive" = - ]; then
            cp "$(toolchain_file "$member")" "$extracted/$member"
        else
            (cd "$extracted" && "$ar" x "$(toolchain_file "$archive")" "$member")
        fi
        if cmp -s <(code_of "$work/toolchain-flags/$member") <(code_of "$extracted/$member"); then
            same=$((same + 1))
        else
            differ=$((differ + 1))
            echo "runtime-i486: $member ($archive): the tool chain's flags give other code than its archive holds"
        fi
    done < <(members)
    echo "runtime-i486: $same of $((same + differ)) members compiled with the tool chain's flags have the code of the tool chain's own"
    [ "$differ" -eq 0 ]
}

# Copies of the tool chain's archives and start-up objects with the members
# replaced, into $1.
assemble() {
    local out=$1 archive list
    mkdir -p "$out"
    for archive in $(members | awk '$1 != "-" { print $1 }' | sort -u); do
        cp "$(toolchain_file "$archive")" "$out/$archive"
        mapfile -t list < <(members | awk -v a="$archive" -v d="$work/i486" '$1 == a { print d "/" $2 }')
        "$ar" rs "$out/$archive" "${list[@]}"
    done
    members | awk '$1 == "-" { print $2 }' | while read -r member; do
        cp "$work/i486/$member" "$out/$member"
    done
}

work=$(mktemp -d "${TMPDIR:-/tmp}/runtime-i486.XXXXXX")
trap "[ -n \"${KEEP:-}\" ] || rm -rf \"$work\"" EXIT

check_inputs
if [ "${1:-}" = --verify ]; then
    check_tarballs
    unpack
    verify
    exit
fi
[ $# -eq 1 ] || fail "usage: $0 OUT_DIR | --verify"
out=$1

start=$SECONDS
echo "runtime-i486: building the 80486 runtime (gcc-12-source $gcc_source_version, mingw-w64 $mingw_version) into $out"
check_tarballs
unpack
compile_all "$work/i486" "$i486_flags"
rm -rf "$out"
assemble "$out"
echo "runtime-i486: built $(members | wc -l) members in $((SECONDS - start)) s"
