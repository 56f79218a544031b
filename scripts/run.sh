#!/usr/bin/env bash
# Installs what is missing, builds Kestrava and starts it under Wine in a
# virtual desktop window with a taskbar, so that its tray icon can be seen
# and clicked. Without a display it starts a private Xvfb and saves a
# screenshot instead. Ctrl-C ends it.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/bootstrap.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target Kestrava

# A folder of the user's own: the data file lives beside the program.
app="$PWD/build/run/Kestrava"
mkdir -p "$app"
cp build/windows/bin/Kestrava.exe build/windows/bin/Kestrahk.dll "$app/"

export WINEPREFIX="${KESTRAVA_WINEPREFIX:-$PWD/build/run/prefix}" WINEARCH=win32 WINEDEBUG=-all \
       WINEDLLOVERRIDES="mscoree,mshtml="

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
    wineboot -i >/dev/null 2>&1
fi
# The virtual desktop shows a taskbar, and with it the tray.
wine reg add 'HKCU\Software\Wine\Explorer\Desktops\Kestrava' /v EnableShell /t REG_DWORD /d 1 /f >/dev/null 2>&1

echo "Starting Kestrava from $app (press Win + a letter; right-click the tray icon for the menu)."
wine explorer /desktop=Kestrava,1024x768 "$app/Kestrava.exe" >/dev/null 2>&1 &

if [ "$headless" = 1 ]; then
    sleep 6
    import -window root -display "$DISPLAY" build/run/kestrava.png
    echo "No display was set: Kestrava runs on the private display $DISPLAY;"
    echo "a screenshot of its desktop is in build/run/kestrava.png. Ctrl-C ends it."
fi
wineserver -w
