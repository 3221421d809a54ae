#!/usr/bin/env bash
# Builds every product whose zip the release holds a second time from the
# same sources in another folder and compares their release with the first:
# every zip, every DLL and SHA256SUMS must be the same bytes.
# Usage: check-reproducible.sh SOURCE_DIR RELEASE_DIR WORK_DIR
set -euo pipefail
source_dir=$1
release_dir=$2
work_dir=$3
products=$(cd "$release_dir" && ls Velandor-*.zip | sed 's/.*-\(.*\)\.zip$/\1/')
case " $(echo $products) " in
*" arm64 "*) VELANDOR_ARM64_TOOLCHAIN=$("$source_dir/testsystem/make.sh" arm64-toolchain) && export VELANDOR_ARM64_TOOLCHAIN ;;
esac

# The checkout's files as they are now, committed or not, without its builds.
rm -rf "$work_dir"
mkdir -p "$work_dir/checkout"
git -C "$source_dir" ls-files -z --cached --others --exclude-standard |
    tar -C "$source_dir" --null -T - -cf - | tar -C "$work_dir/checkout" -xf -

cd "$work_dir/checkout"
for preset in $products; do
    { cmake --preset "$preset" && cmake --build --preset "$preset" --target all release -- -j"$(nproc)"; } >>"$work_dir/build.log" 2>&1 ||
        { cat "$work_dir/build.log"; exit 1; }
done
second="$work_dir/checkout/build/release"

status=0
for file in SHA256SUMS $(cd "$second" && ls Velandor-*.zip); do
    cmp "$release_dir/$file" "$second/$file" || status=1
done
for preset in $products; do
    cmp "$release_dir/../$preset/bin/Velandor.dll" "$work_dir/checkout/build/$preset/bin/Velandor.dll" || status=1
done
echo "first build:  $release_dir"
echo "second build: $second"
cat "$second/SHA256SUMS"
[ "$status" -eq 0 ] && rm -rf "$work_dir"
exit "$status"
