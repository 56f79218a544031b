#!/usr/bin/env bash
# Installs what building and testing Kestrava needs on a fresh Debian 12 machine.
# Idempotent: a machine that has everything is left alone. Debian's archive only.
# Both toolchains and both Wine loaders are installed on every machine, also
# where 32-bit Linux programs cannot run: wine32 then installs but cannot start.
set -euo pipefail

need=()
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

for p in cmake make g++ gcc-mingw-w64-i686-posix g++-mingw-w64-i686-posix binutils-mingw-w64-i686 \
         mingw-w64-i686-dev gcc-mingw-w64-x86-64-posix g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 \
         mingw-w64-x86-64-dev wine64 xvfb xdotool imagemagick googletest clang libclang-rt-14-dev \
         python3 nsis; do
  have_pkg "$p" || need+=("$p")
done
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  need+=(wine wine32:i386)
else
  have_pkg wine || need+=(wine)
  have_pkg wine32:i386 || need+=(wine32:i386)
fi

if ((${#need[@]})); then
  if [ "$(id -u)" != 0 ]; then echo "bootstrap: run as root to install: ${need[*]}" >&2; exit 1; fi
  echo "bootstrap: installing ${#need[@]} packages from Debian's archive, about 3 minutes on a fresh machine:"
  echo "  ${need[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi
echo "bootstrap: toolchain ready"
