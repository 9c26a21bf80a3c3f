# Sourced by the scripts that start Wine. Debian's /usr/bin/wine always tries
# the 32-bit loader first, which a kernel without IA-32 emulation refuses
# ("Exec format error"); so the scripts start the loader of the prefix's
# architecture directly.
#
#   monsetup_runs_32bit        true when this kernel executes 32-bit x86 code
#   monsetup_machine_kind      one line saying which kind of machine this is
#   monsetup_use_wine ARCH     exports WINELOADER and WINESERVER for win32 or
#                              win64, or says what is missing and fails

MONSETUP_WINE_LIB=${MONSETUP_WINE_LIB:-/usr/lib/wine}

# A 93-byte static i386 ELF program that calls exit(0) through int 0x80.
monsetup_write_elf32() {
    printf '\177\105\114\106\001\001\001\000\000\000\000\000\000\000\000\000'
    printf '\002\000\003\000\001\000\000\000\124\200\004\010\064\000\000\000'
    printf '\000\000\000\000\000\000\000\000\064\000\040\000\001\000\000\000'
    printf '\000\000\000\000\001\000\000\000\000\000\000\000\000\200\004\010'
    printf '\000\200\004\010\135\000\000\000\135\000\000\000\005\000\000\000'
    printf '\000\020\000\000\270\001\000\000\000\061\333\315\200'
}

monsetup_runs_32bit() {
    if [ -z "${MONSETUP_RUNS_32BIT:-}" ]; then
        local probe
        probe=$(mktemp /tmp/monsetup-elf32.XXXXXX)
        monsetup_write_elf32 >"$probe"
        chmod +x "$probe"
        if "$probe" 2>/dev/null; then MONSETUP_RUNS_32BIT=yes; else MONSETUP_RUNS_32BIT=no; fi
        rm -f "$probe"
        export MONSETUP_RUNS_32BIT
    fi
    [ "$MONSETUP_RUNS_32BIT" = yes ]
}

monsetup_machine_kind() {
    if monsetup_runs_32bit; then
        echo "this kernel runs 32-bit code: the win32 and win64 tests run under Wine"
    else
        echo "this kernel cannot run 32-bit code: the win64 tests run under wine64;" \
             "the win32 build is checked statically here and its Windows tests run" \
             "in an emulated 32-bit system"
    fi
}

monsetup_use_wine() {
    local arch=$1 loader
    case "$arch" in
        win32) loader=$MONSETUP_WINE_LIB/wine ;;
        win64) loader=$MONSETUP_WINE_LIB/wine64 ;;
        *) echo "wine: unknown architecture '$arch'" >&2; return 1 ;;
    esac
    if [ ! -d "$MONSETUP_WINE_LIB" ]; then
        echo "wine: Wine is not installed ($MONSETUP_WINE_LIB is missing): run scripts/bootstrap.sh" >&2
        return 1
    fi
    if [ ! -x "$loader" ]; then
        echo "wine: this Wine has no $arch loader ($loader is missing): install" \
             "$([ "$arch" = win64 ] && echo wine64 || echo wine32:i386)" >&2
        return 1
    fi
    if [ "$arch" = win32 ] && ! monsetup_runs_32bit; then
        echo "wine: this kernel cannot run 32-bit code, so the 32-bit Wine cannot start" >&2
        return 1
    fi
    if [ ! -x "$MONSETUP_WINE_LIB/wineserver" ]; then
        echo "wine: Wine has no server ($MONSETUP_WINE_LIB/wineserver is missing)" >&2
        return 1
    fi
    export WINELOADER=$loader
    export WINESERVER=$MONSETUP_WINE_LIB/wineserver
}
