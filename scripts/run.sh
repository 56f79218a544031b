#!/usr/bin/env bash
# Installs what is missing, builds Kestrava and starts it under Wine in a
# virtual desktop window with a taskbar, so that its tray icon can be seen
# and clicked. Without a display it starts a private Xvfb and saves a
# screenshot instead. Ctrl-C ends it.
#
# It runs the 32-bit build where 32-bit Linux programs run, else the 64-bit
# one; KESTRAVA_ARCH=x86|x64 forces a build.
set -euo pipefail
cd "$(dirname "$0")/.."

fail() { echo "run.sh: $*" >&2; exit 1; }

bash scripts/bootstrap.sh
. scripts/arch.sh
kestrava_pick_arch || exit 1
cmake --preset "$ARCH" >/dev/null || fail "configuring the $ARCH build failed (see above)"
cmake --build --preset "$ARCH" --target Kestrava || fail "the $ARCH build failed (see above)"

# A folder of the user's own: the data file lives beside the program.
run="$PWD/build/run/$ARCH"
app="$run/Kestrava"
mkdir -p "$app"
cp "build/$ARCH/bin/Kestrava.exe" "build/$ARCH/bin/Kestrahk.dll" "$app/"

kestrava_wine_env
export WINEPREFIX="${KESTRAVA_WINEPREFIX:-$run/prefix}"

xvfb_pid=""
cleanup() {
    wineserver -k 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
}
trap cleanup EXIT INT TERM

if [ -z "${DISPLAY:-}" ]; then
    exec 3< <(Xvfb -displayfd 1 -screen 0 1024x768x24 -nolisten tcp 2>/dev/null & echo "pid $!")
    read -r _ xvfb_pid <&3
    read -r number <&3
    export DISPLAY=":$number"
    headless=1
else
    headless=0
fi

if [ ! -d "$WINEPREFIX" ]; then
    echo "Creating the Wine prefix $WINEPREFIX (about 10 s)..."
    if ! wineboot -i >"$run/wineboot.log" 2>&1; then
        rm -rf "$WINEPREFIX"
        fail "creating the Wine prefix failed: $(grep -v '^$' "$run/wineboot.log" | tail -n 1) (all of it: $run/wineboot.log)"
    fi
fi
# The virtual desktop shows a taskbar, and with it the tray.
wine reg add 'HKCU\Software\Wine\Explorer\Desktops\Kestrava' /v EnableShell /t REG_DWORD /d 1 /f >/dev/null 2>&1

echo "Starting the $ARCH build of Kestrava from $app (press Win + a letter; right-click the tray icon for the menu)."
wine explorer /desktop=Kestrava,1024x768 "$app/Kestrava.exe" >/dev/null 2>&1 &

if [ "$headless" = 1 ]; then
    sleep 6
    import -window root -display "$DISPLAY" build/run/kestrava.png
    echo "No display was set: Kestrava runs on the private display $DISPLAY;"
    echo "a screenshot of its desktop is in build/run/kestrava.png. Ctrl-C ends it."
fi
wineserver -w
