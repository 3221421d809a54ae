"""Packs the release: a zip of the given files and, beside it, SHA256SUMS
for the zip and for the DLL inside it.

Usage: make_release.py ZIP FILE...

The zip holds the files flat, in the order given, each with the same fixed
time and mode, so that two builds of one commit give the same bytes
wherever they are checked out and whenever they are built."""

import hashlib
import pathlib
import sys
import zipfile

# The earliest time a zip entry can carry.
ENTRY_TIME = (1980, 1, 1, 0, 0, 0)
ENTRY_MODE = 0o100644  # a regular file, rw-r--r--


def sha256(data):
    return hashlib.sha256(data).hexdigest()


def main():
    zip_path = pathlib.Path(sys.argv[1])
    files = [pathlib.Path(name) for name in sys.argv[2:]]
    zip_path.parent.mkdir(parents=True, exist_ok=True)
    sums = []
    with zipfile.ZipFile(zip_path, "w") as archive:
        for file in files:
            data = file.read_bytes()
            entry = zipfile.ZipInfo(file.name, ENTRY_TIME)
            entry.external_attr = ENTRY_MODE << 16
            entry.create_system = 3  # Unix, so the mode above is the one read
            entry.compress_type = zipfile.ZIP_DEFLATED
            archive.writestr(entry, data, compresslevel=9)
            if file.suffix.lower() == ".dll":
                sums.append((sha256(data), file.name))
    sums.insert(0, (sha256(zip_path.read_bytes()), zip_path.name))
    lines = "".join(f"{digest}  {name}\n" for digest, name in sums)
    (zip_path.parent / "SHA256SUMS").write_text(lines, encoding="ascii", newline="\n")


main()
