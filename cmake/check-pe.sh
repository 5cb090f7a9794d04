#!/bin/sh
# Checks the built Windows DLL as the launcher host will see it:
#  - exactly the seven SDLL_* exports, undecorated, ordinals 1 to 7 in
#    alphabetical order;
#  - imports from the system's own DLLs only (the runtime is linked in);
#  - the settings schema as resource CONFIGURATION / 101 / language 1033,
#    byte for byte the text of settings.cfg;
#  - the version resource VS_VERSION_INFO / 1 / language 1033: the file and
#    product version from project() in CMakeLists.txt, a DLL for 32-bit
#    Windows, and the strings of table 040904B0 (the copyright from
#    LICENSE), nothing else;
#  - its size, which must stay within the limit.
# Usage: check-pe.sh DLL SETTINGS_CFG [OBJDUMP] [LIMIT_BYTES]
set -eu
dll=$1
schema=$2
objdump=${3:-i686-w64-mingw32-objdump}
limit=${4:-26112}
source_dir=$(cd "$(dirname "$0")/.." && pwd)
fail=0
complain() {
  echo "check-pe: $*" >&2
  fail=1
}

[ -f "$dll" ] || { echo "check-pe: no such file: $dll" >&2; exit 1; }
dump=$("$objdump" -p "$dll")

# Exports: "[Ordinal/Name Pointer] Table" lists "[ordinal - base] name".
base=$(printf '%s\n' "$dump" | awk '/^Ordinal Base/ {print $3; exit}')
exports=$(printf '%s\n' "$dump" | awk -v base="${base:-1}" '
  /^\[Ordinal\/Name Pointer\] Table/ {on = 1; next}
  on && /^[ \t]*$/ {exit}
  on {gsub(/[\[\]]/, " "); print $1 + base, $2}' | sort -n)
expected="1 SDLL_EngineConfig
2 SDLL_Init
3 SDLL_InitCall
4 SDLL_LaunchMultiplayer
5 SDLL_LoadConfiguration
6 SDLL_MultiplayerFinished
7 SDLL_Verification"
if [ "$exports" != "$expected" ]; then
  complain "exports differ from the seven numbered SDLL_* functions:"
  printf '%s\n' "$exports" >&2
fi
count=$(printf '%s\n' "$dump" | awk '/\[Name Pointer\/Ordinal\] Table/ {print $NF; exit}')
[ "$((0x${count:-0}))" -eq 7 ] || complain "export name table holds $((0x${count:-0})) names, not 7"
if printf '%s\n' "$exports" | awk '{print $2}' | grep -Eq '@|^_'; then
  complain "decorated export names"
fi

# Imports: system DLLs only.
imports=$(printf '%s\n' "$dump" | awk '/DLL Name:/ {print tolower($3)}')
for name in $imports; do
  case $name in
    kernel32.dll | user32.dll | shell32.dll | ole32.dll | msvcrt.dll | ucrtbase.dll | api-ms-win-crt-*.dll) ;;
    *) complain "imports a non-system DLL: $name" ;;
  esac
done

# The schema resource, read from the PE resource directory.
python3 - "$dll" "$schema" "$source_dir" <<'PY' || fail=1
import re, struct, sys

dll, schema, source_dir = sys.argv[1:4]
data = open(dll, "rb").read()
want = open(schema, "rb").read()

def fail(msg):
    print("check-pe: " + msg, file=sys.stderr)
    sys.exit(1)

pe = struct.unpack_from("<I", data, 0x3C)[0]
if data[pe:pe + 4] != b"PE\0\0":
    fail("not a PE file")
sections, opt_size = struct.unpack_from("<H12xH", data, pe + 6)
opt = pe + 24
magic = struct.unpack_from("<H", data, opt)[0]
dirs = opt + (96 if magic == 0x10B else 112)
rsrc_rva, rsrc_size = struct.unpack_from("<II", data, dirs + 2 * 8)
if rsrc_rva == 0:
    fail("no resource directory")
table = opt + opt_size
def offset(rva):
    for i in range(sections):
        vsize, vaddr, rawsize, rawptr = struct.unpack_from("<IIII", data, table + 40 * i + 8)
        if vaddr <= rva < vaddr + max(vsize, rawsize):
            return rawptr + rva - vaddr
    fail("RVA 0x%x lies in no section" % rva)
root = offset(rsrc_rva)

def entries(directory):
    named, ids = struct.unpack_from("<HH", data, root + directory + 12)
    for i in range(named + ids):
        name, target = struct.unpack_from("<II", data, root + directory + 16 + 8 * i)
        if name & 0x80000000:
            at = root + (name & 0x7FFFFFFF)
            length = struct.unpack_from("<H", data, at)[0]
            name = data[at + 2:at + 2 + 2 * length].decode("utf-16-le")
        yield name, target

def find(directory, key, what):
    for name, target in entries(directory):
        if name == key:
            if not target & 0x80000000:
                fail(what + " is a leaf, not a directory")
            return target & 0x7FFFFFFF
    fail("no resource " + what)

def resource(kind, key, label):
    names = find(find(0, kind, "of type " + label), key, label + "/%s" % key)
    leaf = None
    for name, target in entries(names):
        if name == 1033:
            leaf = target
    if leaf is None or leaf & 0x80000000:
        fail("no resource %s/%s in language 1033" % (label, key))
    rva, size = struct.unpack_from("<II", data, root + leaf)
    return data[offset(rva):offset(rva) + size]

got = resource("CONFIGURATION", 101, "CONFIGURATION")
if got != want:
    fail("CONFIGURATION/101/1033 holds %d bytes that differ from %s (%d bytes)"
         % (len(got), schema, len(want)))
print("check-pe: CONFIGURATION/101/1033 holds the %d bytes of settings.cfg" % len(got))

# The version resource: nested blocks of length, value length, type (1:
# text, counted in UTF-16 units), UTF-16 key, then value and children,
# each aligned to 4 bytes.
RT_VERSION = 16
info = resource(RT_VERSION, 1, "VS_VERSION_INFO")

def block(at):
    length, value_length, kind = struct.unpack_from("<HHH", info, at)
    end = info.index(b"\0\0", at + 6)
    while (end - at - 6) % 2:
        end = info.index(b"\0\0", end + 1)
    key = info[at + 6:end].decode("utf-16-le")
    value_at = (end + 2 + 3) & ~3
    value_size = value_length * 2 if kind == 1 else value_length
    value = info[value_at:value_at + value_size]
    children = []
    child = (value_at + value_size + 3) & ~3
    while child < at + length:
        children.append(block(child))
        child = (child + children[-1][3] + 3) & ~3
    return key, value, children, length

root_key, fixed, children, _ = block(0)
if root_key != "VS_VERSION_INFO" or len(fixed) != 52:
    fail("the version resource holds no VS_VERSION_INFO with its fixed part")
(signature, _, file_ms, file_ls, product_ms, product_ls, _, flags, os_kind, file_type,
 _, date_ms, date_ls) = struct.unpack("<13I", fixed)
cmake = open(source_dir + "/CMakeLists.txt").read()
version = re.search(r"project\([^)]*VERSION ([0-9]+)\.([0-9]+)\.([0-9]+)", cmake)
if version is None:
    fail("CMakeLists.txt names no project VERSION")
major, minor, patch = (int(part) for part in version.groups())
expected_ms, expected_ls = major << 16 | minor, patch << 16
checks = [
    (signature == 0xFEEF04BD, "the fixed part's signature"),
    ((file_ms, file_ls) == (expected_ms, expected_ls), "FILEVERSION %d,%d,%d,0" % (major, minor, patch)),
    ((product_ms, product_ls) == (expected_ms, expected_ls), "PRODUCTVERSION %d,%d,%d,0" % (major, minor, patch)),
    (flags == 0, "no file flags (no debug, pre-release or patched build)"),
    (os_kind == 0x40004, "FILEOS VOS_NT_WINDOWS32"),
    (file_type == 2, "FILETYPE VFT_DLL"),
    ((date_ms, date_ls) == (0, 0), "no file date"),
]
for ok, what in checks:
    if not ok:
        fail("the version resource lacks " + what)

copyright = next(line for line in open(source_dir + "/LICENSE").read().splitlines()
                 if line.startswith("Copyright "))
text = "%d.%d.%d" % (major, minor, patch)
expected = {
    "FileDescription": "Wolf ET engine plug-in for the game launcher",
    "FileVersion": text,
    "InternalName": "wolfet",
    "LegalCopyright": copyright,
    "OriginalFilename": "wolfet.dll",
    "ProductName": "Wolf ET plug-in",
    "ProductVersion": text,
}
tables = [child for child in children if child[0] == "StringFileInfo"]
if len(tables) != 1 or [table[0] for table in tables[0][2]] != ["040904B0"]:
    fail("the version resource holds no single string table 040904B0")
strings = {key: value.decode("utf-16-le").rstrip("\0")
           for key, value, _, _ in tables[0][2][0][2]}
if strings != expected:
    fail("the version strings differ: %r, not %r" % (strings, expected))
translations = [child for child in children if child[0] == "VarFileInfo"]
if (len(translations) != 1 or [var[:2] for var in translations[0][2]]
        != [("Translation", struct.pack("<HH", 0x0409, 1200))]):
    fail("the version resource names no translation 0409, 1200")
print("check-pe: VS_VERSION_INFO/1/1033 says version %s, with the %d strings of 040904B0"
      % (text, len(strings)))
PY

size=$(wc -c <"$dll")
echo "check-pe: $(basename "$dll") is $size bytes (limit $limit)"
[ "$size" -le "$limit" ] || complain "the DLL has outgrown its size limit"
echo "check-pe: exports $(printf '%s\n' "$exports" | awk '{printf "%s:%s ", $1, $2}')"
echo "check-pe: imports $(printf '%s\n' "$imports" | tr -s '\n' ' ')"
[ "$fail" -eq 0 ] && echo "check-pe: passed"
exit "$fail"
