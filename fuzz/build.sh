#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, ASan and UBSan, and
# the seed corpus of both targets, into build-fuzz/. Usage: fuzz/build.sh
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
src="$here/../src"
out="$here/../build-fuzz"
mkdir -p "$out"
qt="$(pkg-config --cflags --libs Qt6Gui)"
flags=(-std=c++20 -g -O1 -fPIC -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined -I"$src")
clang++ "${flags[@]}" "$here/fuzz_numtext.cpp" "$src/platform/numtext.cpp" $qt -o "$out/fuzz_numtext"
clang++ "${flags[@]}" "$here/fuzz_picture.cpp" "$src/platform/picture.cpp" \
    "$src/platform/tga.cpp" $qt -o "$out/fuzz_picture"
clang++ -std=c++20 -fPIC "$here/make_seeds.cpp" $qt -o "$out/make_seeds"
rm -rf "$out/corpus-picture" && "$out/make_seeds" "$out/corpus-picture"
# TGA files without the footer, which the program reads itself.
cp "$here/../tests/data/tga/"*.tga "$out/corpus-picture/"
mkdir -p "$out/corpus-numtext"
for t in 0 007 " 12" -5 +3 1,5 1.5 12a "" " " - 99999 1e3; do
    printf '%s' "$t" | iconv -t UTF-16LE > "$out/corpus-numtext/$(printf '%s' "$t" | md5sum | cut -c1-8)"
done
echo "Built into $out"
