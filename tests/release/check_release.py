"""Checks the release folder against the product: the zip holds the DLL,
the guides, the picture and the licence, in that order, with fixed times
and modes; its Velandor.dll is the given DLL byte for byte; SHA256SUMS
names the zip and the DLL with their true digests.

Usage: check_release.py RELEASE_DIR VELANDOR_DLL"""

import hashlib
import pathlib
import sys
import zipfile

EXPECTED_ENTRIES = ["Velandor.dll", "guide-en.md", "guide-ja.md", "menu.png", "LICENSE"]

failures = []


def expect(what, got, expected):
    if got != expected:
        failures.append(f"{what}: got {got!r}, expected {expected!r}")


def sha256(data):
    return hashlib.sha256(data).hexdigest()


release = pathlib.Path(sys.argv[1])
dll = pathlib.Path(sys.argv[2]).read_bytes()
zips = sorted(release.glob("Velandor-*-x86.zip"))
expect("release zips", [z.name for z in zips], ["Velandor-0.10-x86.zip"])
if zips:
    zip_path = zips[0]
    with zipfile.ZipFile(zip_path) as archive:
        entries = archive.infolist()
        expect("entries", [e.filename for e in entries], EXPECTED_ENTRIES)
        for entry in entries:
            expect(f"{entry.filename} time", entry.date_time, (1980, 1, 1, 0, 0, 0))
            expect(f"{entry.filename} mode", oct(entry.external_attr >> 16), oct(0o100644))
        if "Velandor.dll" in archive.namelist():
            expect("the zip's Velandor.dll is the tested DLL", archive.read("Velandor.dll") == dll, True)

    sums = (release / "SHA256SUMS").read_text(encoding="ascii")
    expect("SHA256SUMS", sums, f"{sha256(zip_path.read_bytes())}  {zip_path.name}\n{sha256(dll)}  Velandor.dll\n")

for failure in failures:
    print("FAIL:", failure)
if not failures:
    print(f"{release}: the zip carries the tested Velandor.dll, sha256 {sha256(dll)}")
sys.exit(1 if failures else 0)
