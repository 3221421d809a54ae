"""Checks the release folder against one architecture's product: its zip
holds the DLL, the guides, the picture and the licence, in that order, with
fixed times and modes; its Velandor.dll is the given DLL byte for byte; and
SHA256SUMS names every zip of the folder and the DLL inside each, by the
folder the zip unpacks into, with their true digests, as `sha256sum -c`
reads them once the zips are unpacked.

Usage: check_release.py RELEASE_DIR ARCH VELANDOR_DLL"""

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


# The bytes a SHA256SUMS name stands for: a zip of the folder, or the DLL of
# ZIP_STEM/Velandor.dll inside ZIP_STEM.zip.
def named_bytes(release, name):
    folder, _, file = name.rpartition("/")
    if not folder:
        return (release / name).read_bytes()
    with zipfile.ZipFile(release / f"{folder}.zip") as archive:
        return archive.read(file)


release = pathlib.Path(sys.argv[1])
arch = sys.argv[2]
dll = pathlib.Path(sys.argv[3]).read_bytes()
zip_name = f"Velandor-0.10-{arch}.zip"
expect(f"{arch} zips", [z.name for z in release.glob(f"Velandor-*-{arch}.zip")], [zip_name])
zip_path = release / zip_name
if zip_path.exists():
    with zipfile.ZipFile(zip_path) as archive:
        entries = archive.infolist()
        expect("entries", [e.filename for e in entries], EXPECTED_ENTRIES)
        for entry in entries:
            expect(f"{entry.filename} time", entry.date_time, (1980, 1, 1, 0, 0, 0))
            expect(f"{entry.filename} mode", oct(entry.external_attr >> 16), oct(0o100644))
        if "Velandor.dll" in archive.namelist():
            expect("the zip's Velandor.dll is the tested DLL", archive.read("Velandor.dll") == dll, True)

sums = [line.split("  ", 1) for line in (release / "SHA256SUMS").read_text(encoding="ascii").splitlines()]
zips = sorted(z.name for z in release.glob("Velandor-0.10-*.zip"))
expect("SHA256SUMS names", [name for _, name in sums],
       [name for z in zips for name in (z, f"{z[:-len('.zip')]}/Velandor.dll")])
for digest, name in sums:
    expect(f"SHA256SUMS digest of {name}", digest, sha256(named_bytes(release, name)))
expect(f"SHA256SUMS line of the {arch} DLL", [sha256(dll), f"{zip_name[:-len('.zip')]}/Velandor.dll"] in sums, True)

for failure in failures:
    print("FAIL:", failure)
if not failures:
    print(f"{zip_path}: carries the tested Velandor.dll, sha256 {sha256(dll)}; SHA256SUMS names {len(sums)} files")
sys.exit(1 if failures else 0)
