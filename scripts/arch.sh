# Sourced by the scripts that run Kestrava under Wine: picks the Windows build
# this machine can run, and readies Wine for it.
#
# Debian's Wine runs 32-bit Windows programs only through its 32-bit Linux
# loader, so where no 32-bit Linux program can run (the kernel was built
# without 32-bit emulation) only the 64-bit build can be run and tested.
# KESTRAVA_ARCH=x86|x64 forces a build; unset means the 32-bit one wherever it runs.
#
# Sets ARCH (the build to run), OTHER (the other build), BOTH (1 when this
# machine runs both) and NO_X86 (why the 32-bit build cannot run, or empty).

kestrava_pick_arch() {
    NO_X86=""
    local answer
    # Only the kernel's "Exec format error" means no 32-bit programs run here. A
    # loader that fails otherwise is broken: that fails, it does not quietly
    # shrink the run to the x64 build.
    if ! answer=$(/usr/lib/wine/wine --version 2>&1); then
        case "$answer" in
            *"Exec format error"*) NO_X86="this machine runs no 32-bit Linux programs" ;;
            *) echo "Wine's 32-bit loader /usr/lib/wine/wine does not start: ${answer##*$'\n'}" >&2
               echo "Only \"Exec format error\" (no 32-bit Linux programs here) runs the x64 build alone;" \
                    "repair wine32:i386 (scripts/bootstrap.sh as root)" >&2
               return 1 ;;
        esac
    fi
    case "${KESTRAVA_ARCH:-}" in
        x86 | x64) ARCH=$KESTRAVA_ARCH ;;
        "") if [ -z "$NO_X86" ]; then ARCH=x86; else ARCH=x64; fi ;;
        *) echo "KESTRAVA_ARCH is '$KESTRAVA_ARCH': set it to x86 or x64, or unset it to pick automatically" >&2
           return 1 ;;
    esac
    if [ "$ARCH" = x86 ] && [ -n "$NO_X86" ]; then
        echo "KESTRAVA_ARCH=x86 cannot run here: $NO_X86; unset KESTRAVA_ARCH to use the x64 build" >&2
        return 1
    fi
    if [ "$ARCH" = x64 ] && ! /usr/lib/wine/wine64 --version >/dev/null 2>&1; then
        echo "Wine's 64-bit loader /usr/lib/wine/wine64 does not start: run scripts/bootstrap.sh as root" >&2
        return 1
    fi
    if [ "$ARCH" = x86 ]; then OTHER=x64; else OTHER=x86; fi
    if [ -z "$NO_X86" ]; then BOTH=1; else BOTH=0; fi
}

# Wine's environment for the build $ARCH: a prefix of its bitness, and for
# x64 the 64-bit loader first on PATH (Debian's `wine` would pick the 32-bit one).
# Debug channels already chosen (WINEDEBUG) are kept.
kestrava_wine_env() {
    export WINEDEBUG="${WINEDEBUG:--all}" WINEDLLOVERRIDES="mscoree,mshtml="
    if [ "$ARCH" = x64 ]; then
        export WINEARCH=win64 PATH="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/wine64:$PATH"
    else
        export WINEARCH=win32
    fi
}
