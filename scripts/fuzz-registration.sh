#!/bin/sh
# Builds the registration-script fuzzer with clang and runs it for a bounded
# time ($1 seconds, 45 by default) from the seeds in registration/fuzz/seeds.
set -eu
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-45}"
build="$root/build/fuzz-registration"
CC=clang CXX=clang++ cmake -S "$root" -B "$build" -G Ninja \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKORVEL_FUZZ=ON -DBUILD_TESTING=OFF >/dev/null
cmake --build "$build" --target registration_script_fuzzer
corpus="$build/corpus"
mkdir -p "$corpus"
cp "$root"/registration/fuzz/seeds/* "$corpus/"
cd "$build"
./registration/registration_script_fuzzer -max_total_time="$seconds" -max_len=4096 \
  -timeout=10 -rss_limit_mb=2048 "$corpus"
