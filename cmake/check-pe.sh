#!/bin/sh
# Checks the built Windows DLL as the launcher host will see it:
#  - exactly the seven SDLL_* exports, undecorated, ordinals 1 to 7 in
#    alphabetical order;
#  - imports from the system's own DLLs only (the runtime is linked in);
#  - the settings schema as resource CONFIGURATION / 101 / language 1033,
#    byte for byte the text of settings.cfg;
#  - its size, which must stay under the limit.
# Usage: check-pe.sh DLL SETTINGS_CFG [OBJDUMP] [LIMIT_BYTES]
set -eu
dll=$1
schema=$2
objdump=${3:-i686-w64-mingw32-objdump}
limit=${4:-102400}
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
python3 - "$dll" "$schema" <<'PY' || fail=1
import struct, sys

dll, schema = sys.argv[1], sys.argv[2]
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

types = find(0, "CONFIGURATION", "of type CONFIGURATION")
names = find(types, 101, "CONFIGURATION/101")
leaf = None
for name, target in entries(names):
    if name == 1033:
        leaf = target
if leaf is None or leaf & 0x80000000:
    fail("no resource CONFIGURATION/101 in language 1033")
rva, size = struct.unpack_from("<II", data, root + leaf)
got = data[offset(rva):offset(rva) + size]
if got != want:
    fail("CONFIGURATION/101/1033 holds %d bytes that differ from %s (%d bytes)"
         % (size, schema, len(want)))
print("check-pe: CONFIGURATION/101/1033 holds the %d bytes of settings.cfg" % size)
PY

size=$(wc -c <"$dll")
echo "check-pe: $(basename "$dll") is $size bytes ($(((size + 1023) / 1024)) KiB; limit $((limit / 1024)) KiB)"
[ "$size" -le "$limit" ] || complain "the DLL has outgrown its size limit"
echo "check-pe: exports $(printf '%s\n' "$exports" | awk '{printf "%s:%s ", $1, $2}')"
echo "check-pe: imports $(echo $imports)"
[ "$fail" -eq 0 ] && echo "check-pe: passed"
exit "$fail"
