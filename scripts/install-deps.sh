#!/bin/sh
# Installs what a fresh Debian machine lacks for building and testing, as
# root. Does nothing for packages already present.
#
# The 32-bit Wine (wine32:i386) is wanted only where the kernel executes
# 32-bit x86 programs; elsewhere it could not start, so it is not
# installed, and failing to install it never fails the run: the win32
# suite then says in one line that it did not run, and why.
set -eu
here="$(dirname "$0")"
packages="cmake ninja-build g++ clang libclang-rt-14-dev libgtest-dev googletest
  libbenchmark-dev python3 mingw-w64-tools
  g++-mingw-w64-i686 binutils-mingw-w64-i686
  g++-mingw-w64-x86-64 binutils-mingw-w64-x86-64
  wine wine64 libwine-dev nsis zip unzip"
installed() {
  dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"
}
missing=""
for package in $packages; do
  installed "$package" || missing="$missing $package"
done
want_wine32=no
if ! installed wine32:i386; then
  if reason="$(sh "$here/x86-32-probe.sh")"; then
    want_wine32=yes
  else
    echo "wine32:i386 not installed: this machine cannot execute 32-bit x86 programs ($reason)"
  fi
fi
if [ -n "$missing" ] || [ "$want_wine32" = yes ]; then
  if [ "$want_wine32" = yes ]; then
    dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
  fi
  apt-get update -q
  if [ -n "$missing" ]; then
    echo "installing:$missing"
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q $missing
  fi
  if [ "$want_wine32" = yes ]; then
    echo "installing: wine32:i386"
    DEBIAN_FRONTEND=noninteractive apt-get install -y -q wine32:i386 ||
      echo "wine32:i386 could not be installed; the win32 suite will not run"
  fi
fi
