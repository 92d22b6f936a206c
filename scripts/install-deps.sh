#!/bin/sh
# Installs what a fresh Debian machine lacks for building and testing, as
# root. Does nothing for packages already present.
set -eu
packages="cmake ninja-build g++ clang libclang-rt-14-dev libgtest-dev googletest
  libbenchmark-dev g++-mingw-w64-i686 binutils-mingw-w64-i686 mingw-w64-tools
  wine wine32:i386 libwine-dev"
missing=""
dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
for package in $packages; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing="$missing $package"
done
if [ -n "$missing" ]; then
  echo "installing:$missing"
  apt-get update -q
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q $missing
fi
