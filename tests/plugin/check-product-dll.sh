#!/usr/bin/env bash
# Checks a Velandor.dll the way the host will meet it: a PE32 image for i386
# (x86) or a PE32+ image for AMD64 (x64) or ARM64 (arm64) that exports exactly its seven
# functions by undecorated name at ordinals 1 to 7, on x86 each cleaning its
# own WINAPI arguments off the stack; that imports nothing but system DLLs;
# that carries no time stamp, so one commit always links to the same bytes;
# that lets Windows load it anywhere and keep its data from running; and
# that stays small. OBJDUMP is GNU's for x86 and x64, LLVM's for arm64,
# which binutils cannot read; their -p reports differ in the export table.
# Usage: check-product-dll.sh VELANDOR_DLL ARCH OBJDUMP
set -u
dll=$1
arch=$2
objdump=$3
failures=0

fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

expect() { # what got expected
    [ "$2" = "$3" ] || fail "$1: got '$2', expected '$3'"
}

case $arch in
x86) format=pei-i386 magic=010b ;;
x64) format=pei-x86-64 magic=020b ;;
arm64) format=coff-arm64 magic=020b ;;
*) echo "FAIL: no architecture '$arch'"; exit 1 ;;
esac
headers=$("$objdump" -p "$dll") || { echo "FAIL: cannot read $dll"; exit 1; }
expect "file format" "$("$objdump" -f "$dll" | sed -n 's/.*file format //p')" "$format"
expect "optional header magic" "$(awk '$1 == "Magic" {print $2}' <<<"$headers")" "$magic"
expect "ordinal base" "$(sed -n 's/.*-- Ordinal Base \([0-9]*\).*/\1/p; s/^ Ordinal base: \([0-9]*\)$/\1/p' <<<"$headers")" "1"

if [ "$arch" = arm64 ]; then
    # Rows look like "      6   0x3394  GetBitmapID": the ordinal itself.
    names=$(awk '/^ Ordinal +RVA +Name$/ {table = 1; next} table && NF == 3 {print $3, $1}' <<<"$headers")
    addresses=$(wc -l <<<"$names")
else
    # Name table rows look like "[   5] GetBitmapID": the index plus the
    # base is the ordinal.
    names=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' <<<"$headers" |
        sed -n 's/^\s*\[ *\([0-9]*\)\] \(.*\)$/\2 \1/p' | awk '{print $1, $2 + 1}' | sort -k2 -n)
    addresses=$(grep -c 'Export RVA' <<<"$headers")
fi
expect "exports by ordinal" "$(tr '\n' ' ' <<<"$names")" \
    "OnCommand 1 QueryStatus 2 OnEvents 3 GetMenuTextID 4 GetStatusMessageID 5 GetBitmapID 6 PlugInProc 7 "
expect "export address count" "$addresses" "7"

# The file header's time stamp: four bytes, eight past the PE header, whose
# offset stands at 0x3c.
u32_at() {
    od -An -tu4 -j "$1" -N4 "$dll" | tr -d ' '
}
expect "time stamp" "$(u32_at $(($(u32_at 60) + 8)))" "0"

characteristics=$((16#$(awk '$1 == "DllCharacteristics" {print $2}' <<<"$headers")))
expect "dynamic base (ASLR)" "$((characteristics & 0x40))" "$((0x40))"
expect "NX compatible (DEP)" "$((characteristics & 0x100))" "$((0x100))"

# On x86 the stack clean-up of each export is the operand of its ret; x64
# has one calling convention, in which the caller cleans up.
image_base=$((16#$(awk '$1 == "ImageBase" {print $2}' <<<"$headers")))
export_rva() {
    sed -n "s/^\s*\[ *[0-9]*\] +base\[ *$1\] \([0-9a-f]*\) Export RVA/\1/p" <<<"$headers"
}
[ "$arch" = x86 ] && while read -r name ordinal stack_bytes; do
    rva=$(export_rva "$ordinal")
    [ -n "$rva" ] || { fail "$name: no address at ordinal $ordinal"; continue; }
    start=$((image_base + 16#$rva))
    ret=$("$objdump" -d --no-show-raw-insn --start-address=$start --stop-address=$((start + 4096)) "$dll" |
        grep -m1 -E '\sret\s*(\$0x[0-9a-f]+)?\s*$' | sed -n 's/.*ret\s*\$\?\(0x[0-9a-f]*\)\?\s*$/\1/p')
    expect "$name stack clean-up" "$((${ret:-0}))" "$stack_bytes"
done <<'TABLE'
OnCommand 1 4
QueryStatus 2 8
OnEvents 3 12
GetMenuTextID 4 0
GetStatusMessageID 5 0
GetBitmapID 6 0
PlugInProc 7 16
TABLE

while read -r imported; do
    case "${imported,,}" in
    kernel32.dll | user32.dll | advapi32.dll | msvcrt.dll) ;;
    *) fail "imports $imported, which is not a system DLL" ;;
    esac
done < <(sed -n 's/^\s*DLL Name: //p' <<<"$headers")

# Each product's ceiling: its size before it asked slow volumes and servers
# on threads of its own, the 8 KiB that this may take, and the 6 KiB that
# labels in UTF-16 may take; the 32-bit one has been past 64 KiB since.
case $arch in
x86) ceiling=$((65024 + 8192 + 6144)) ;;
x64) ceiling=$((37376 + 8192 + 6144)) ;;
*) ceiling=$((54784 + 8192 + 6144)) ;;
esac
size=$(stat -c %s "$dll")
[ "$size" -le "$ceiling" ] || fail "the DLL has $size bytes; it must stay within $ceiling"
echo "$dll: $size bytes, imports $(sed -n 's/^\s*DLL Name: //p' <<<"$headers" | tr '\n' ' ')"
[ "$failures" -eq 0 ]
