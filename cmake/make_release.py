"""Packs one architecture's release zip, then writes SHA256SUMS beside it
for every architecture's zip of the same version in that folder and for
the DLL inside each.

Usage: make_release.py ZIP FILE...
       make_release.py --withdraw ZIP

The second form removes ZIP, whose DLL has changed since it was packed and
is not yet proven, and writes SHA256SUMS for the zips that remain.

ZIP is named Velandor-<version>-<arch>.zip. The zip holds the files flat,
in the order given, each with the same fixed time and mode, so that two
builds of one commit give the same bytes wherever they are checked out and
whenever they are built.

Both architectures' DLLs are called Velandor.dll, so SHA256SUMS names each
by the folder that its zip unpacks into by default, the zip's own name:
Velandor-<version>-<arch>/Velandor.dll."""

import hashlib
import pathlib
import sys
import zipfile

# The earliest time a zip entry can carry.
ENTRY_TIME = (1980, 1, 1, 0, 0, 0)
ENTRY_MODE = 0o100644  # a regular file, rw-r--r--
DLL_NAME = "Velandor.dll"


def sha256(data):
    return hashlib.sha256(data).hexdigest()


def pack(zip_path, files):
    with zipfile.ZipFile(zip_path, "w") as archive:
        for file in files:
            entry = zipfile.ZipInfo(file.name, ENTRY_TIME)
            entry.external_attr = ENTRY_MODE << 16
            entry.create_system = 3  # Unix, so the mode above is the one read
            entry.compress_type = zipfile.ZIP_DEFLATED
            archive.writestr(entry, file.read_bytes(), compresslevel=9)


def write_sums(release, version_prefix):
    lines = []
    for zip_path in sorted(release.glob(f"{version_prefix}*.zip")):
        with zipfile.ZipFile(zip_path) as archive:
            dll = archive.read(DLL_NAME)
        lines.append(f"{sha256(zip_path.read_bytes())}  {zip_path.name}\n")
        lines.append(f"{sha256(dll)}  {zip_path.stem}/{DLL_NAME}\n")
    (release / "SHA256SUMS").write_text("".join(lines), encoding="ascii", newline="\n")


def main():
    if sys.argv[1] == "--withdraw":
        zip_path = pathlib.Path(sys.argv[2])
        if not zip_path.exists():
            return
        zip_path.unlink()
    else:
        zip_path = pathlib.Path(sys.argv[1])
        zip_path.parent.mkdir(parents=True, exist_ok=True)
        pack(zip_path, [pathlib.Path(name) for name in sys.argv[2:]])
    # Velandor-0.10-x86 -> Velandor-0.10-: every architecture of this version.
    write_sums(zip_path.parent, zip_path.stem.rsplit("-", 1)[0] + "-")


main()
