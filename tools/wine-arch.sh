# Sourced by the wine scripts and .ci/run: what one Windows architecture
# (win32 or win64) needs under wine, and whether this machine can run it.
# wine_arch_set ARCH sets wine_arch, wine_toolchain (cmake/toolchain-mingw-*),
# wine_build (the default build folder), wine_shipped (the installer's folder
# below it), wine_installer and wine_loader, the loader to run every program
# with (Debian's wine script would take wine32 for a 64-bit prefix too, and
# fail where the kernel runs no 32-bit program), and exports WINEARCH and
# WINELOADER. 1 for an unknown ARCH.
wine_arch_set() {
    case "$1" in
    win32) wine_toolchain=i686 wine_build=build-win wine_shipped=DDC_Library/32Bit \
        wine_installer=installer.exe wine_loader=/usr/lib/wine/wine ;;
    win64) wine_toolchain=x86_64 wine_build=build-win64 wine_shipped=DDC_Library/64Bit \
        wine_installer=installer64.exe wine_loader=/usr/lib/wine/wine64 ;;
    *) return 1 ;;
    esac
    wine_arch=$1
    export WINEARCH=$1 WINELOADER=$wine_loader
}

# Why ARCH's programs cannot run here (printed), or nothing when they can.
# wine32 is an i386 program: a kernel that runs none (32-bit emulation
# switched off, as on some virtual machines) cannot start it at all.
wine_arch_unrunnable() {
    local loader=/usr/lib/wine/wine64 probe
    [ "$1" = win32 ] && loader=/usr/lib/wine/wine
    if [ ! -x "$loader" ]; then
        echo "$loader is not installed"
    elif ! probe=$( { "$loader" --version; } 2>&1); then
        case "$probe" in
        *"Exec format error"*) echo "this kernel runs no 32-bit x86 program ($loader: Exec format error)" ;;
        *) echo "$loader cannot start: $(echo "$probe" | head -n 1)" ;;
        esac
    fi
}
