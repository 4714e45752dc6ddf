#!/usr/bin/env python3
"""The release as a Windows user gets it: scripts/release on a build folder, then what the zip holds,
the program's version block, icon and manifest, no build folder inside the program or its debug
information, and the same bytes when the program is linked and packed again.
Usage: check_release.py SOURCE-FOLDER BUILD-FOLDER DIST-FOLDER"""
import hashlib, os, re, struct, subprocess, sys, time, zipfile

top, build, dist = sys.argv[1:4]
failures = []

def check(ok, what):
    if not ok:
        failures.append(what)
        print("FAILED:", what)

def release():
    subprocess.run([os.path.join(top, "scripts", "release"), build, dist], check=True)

def read(path):
    with open(path, "rb") as f:
        return f.read()

def resources(exe):
    """{(type, id): bytes} of a PE file's resources (the first language of each)."""
    pe = struct.unpack_from("<I", exe, 0x3C)[0]
    sections, optional_size = struct.unpack_from("<H", exe, pe + 6)[0], struct.unpack_from("<H", exe, pe + 20)[0]
    optional = pe + 24
    rsrc = struct.unpack_from("<I", exe, optional + 112 + 8 * 2)[0]  # PE32+: data directory 2
    table = [struct.unpack_from("<IIII", exe, optional + optional_size + 40 * i + 8) for i in range(sections)]
    def offset(rva):
        return next(raw + rva - address for size, address, raw_size, raw in table if address <= rva < address + max(size, raw_size))
    base = offset(rsrc)
    def entries(at):
        named, ids = struct.unpack_from("<HH", exe, base + at + 12)
        return [struct.unpack_from("<II", exe, base + at + 16 + 8 * i) for i in range(named + ids)]
    found = {}
    for kind, below in entries(0):
        for ident, languages in entries(below & 0x7FFFFFFF):
            data_rva, size = struct.unpack_from("<II", exe, base + entries(languages & 0x7FFFFFFF)[0][1])
            found[(kind, ident)] = exe[offset(data_rva):offset(data_rva) + size]
    return found

def version_string(block, field):
    """A value of the version block's string table (its texts are ASCII)."""
    key = block.find((field + "\0").encode("utf-16-le"))
    at = (key + 2 * len(field) + 2 + 3) & ~3  # the value starts on a 32-bit boundary
    return block[at:at + 512].decode("utf-16-le", "replace").split("\0")[0] if key >= 0 else None

version = re.search(r"project\(Glimvue VERSION (\d+)\.(\d+)\.(\d+)", read(os.path.join(top, "CMakeLists.txt")).decode())
numbers, text = tuple(int(n) for n in version.groups()), ".".join(version.groups())
name = f"Glimvue-{text}-win64.zip"
started = time.monotonic()
release()
print(f"release: built and packed in {time.monotonic() - started:.0f} s")
first = read(os.path.join(dist, name))

# The archive: the three files, one time on every entry, text a Windows editor opens.
with zipfile.ZipFile(os.path.join(dist, name)) as archive:
    for info in archive.infolist():
        print(f"  {info.filename:12} {info.file_size:9} {info.compress_size:9}  {time.strftime('%Y-%m-%d %H:%M', info.date_time + (0, 0, -1))}")
    check(archive.namelist() == ["Glimvue.exe", "Glimvue.txt", "README.txt"], f"entries {archive.namelist()}")
    check(len({info.date_time for info in archive.infolist()}) == 1, "one time on every entry")
    exe, readme, help_text = archive.read("Glimvue.exe"), archive.read("README.txt"), archive.read("Glimvue.txt")
check(exe == read(os.path.join(build, "Glimvue.exe")), "Glimvue.exe is the program built")
for label, data in (("README.txt", readme), ("Glimvue.txt", help_text)):
    check(data.startswith(b"\xef\xbb\xbf") and b"\n" not in data.replace(b"\r\n", b""), f"{label}: UTF-8 with BOM, CRLF only")
check(read(os.path.join(dist, name + ".sha256")).decode() == f"{hashlib.sha256(first).hexdigest()}  {name}\n",
      "the checksum file names the zip's SHA-256")

# The program: version block, icon, manifest; no time stamp and no build folder inside.
found = resources(exe)
block = found[(16, 1)]
fixed = block[block.find(struct.pack("<I", 0xFEEF04BD)):]
_, _, file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<6I", fixed)
want = ((numbers[0] << 16) | numbers[1], numbers[2] << 16)
check((file_ms, file_ls) == want and (product_ms, product_ls) == want, f"fixed file and product version {text}.0")
for field, value in (("ProductName", "Glimvue"), ("FileVersion", text), ("ProductVersion", text),
                     ("FileDescription", "Glimvue image viewer"), ("OriginalFilename", "Glimvue.exe")):
    check(version_string(block, field) == value, f"{field} is {value!r}, not {version_string(block, field)!r}")
group = found[(14, 1000)]
sizes = sorted(width or 256 for width, in (struct.unpack_from("<B", group, 6 + 14 * i) for i in range(group[4])))
check(sizes == [16, 32, 48, 256], f"icon 1000 in 16, 32, 48 and 256 pixels, not {sizes}")
manifest = found[(24, 1)]
check(b"PerMonitorV2" in manifest and b"true/pm" in manifest, "the manifest declares per-monitor DPI awareness")
pe = struct.unpack_from("<I", exe, 0x3C)[0]
check(struct.unpack_from("<I", exe, pe + 8)[0] == 0, "no link time in the header")
debug = read(os.path.join(build, "Glimvue.exe.debug"))
for folder in {os.path.abspath(top), os.path.abspath(build)}:
    check(not any(folder.encode(code) in data for code in ("utf-8", "utf-16-le") for data in (exe, debug)),
          f"{folder} not inside the program or its debug information")

# Reproducible: linked and packed again, later, the zip has the same bytes.
program = os.path.join(build, "Glimvue.exe")
subprocess.run(["rm", "-f", program, program + ".debug", os.path.join(dist, name)], check=True)
time.sleep(2)
release()
check(read(os.path.join(dist, name)) == first, "a second build gives the same zip")
print("release: checked" if not failures else f"release: {len(failures)} failures")
sys.exit(1 if failures else 0)
