#!/usr/bin/env bash
# Builds the product a second time from the same sources in another folder
# and compares its release with the first: the zip, the DLL and SHA256SUMS
# must be the same bytes.
# Usage: check-reproducible.sh SOURCE_DIR RELEASE_DIR WORK_DIR
set -euo pipefail
source_dir=$1
release_dir=$2
work_dir=$3

# The checkout's files as they are now, committed or not, without its builds.
rm -rf "$work_dir"
mkdir -p "$work_dir/checkout"
git -C "$source_dir" ls-files -z --cached --others --exclude-standard |
    tar -C "$source_dir" --null -T - -cf - | tar -C "$work_dir/checkout" -xf -

cd "$work_dir/checkout"
cmake --preset x86 >"$work_dir/build.log" 2>&1 && cmake --build --preset x86 >>"$work_dir/build.log" 2>&1 ||
    { cat "$work_dir/build.log"; exit 1; }
second="$work_dir/checkout/build/x86/release"

status=0
for file in SHA256SUMS Velandor-0.10-x86.zip; do
    cmp "$release_dir/$file" "$second/$file" || status=1
done
cmp "$release_dir/../bin/Velandor.dll" "$second/../bin/Velandor.dll" || status=1
echo "first build:  $release_dir"
echo "second build: $second"
cat "$second/SHA256SUMS"
[ "$status" -eq 0 ] && rm -rf "$work_dir"
exit "$status"
