"""Writes into the game folder given (etmain/) the least that Debian's
ioquake3 engine and its game code load, since Debian ships no game data:
default.cfg, which the engine will not start without; maps/tiny.bsp (BSP
version 46: one shader, plane, node and leaf, the world model, and the
entities, the world and a spawn point); and the player model the client's
game code falls back on, sarge: three models of one frame and no surfaces,
a skin each (a skin needs one surface line), 25 animations and an icon."""
import pathlib
import struct
import sys

folder = pathlib.Path(sys.argv[1])
(folder / "maps").mkdir(parents=True, exist_ok=True)
(folder / "default.cfg").write_text("// the engine wants one\n")

entities = (b'{\n"classname" "worldspawn"\n}\n'
            b'{\n"classname" "info_player_deathmatch"\n"origin" "0 0 64"\n}\n\0')
lumps = [b""] * 17  # entities, shaders, planes, nodes, leafs, ..., models (7), ...
lumps[0] = entities
lumps[1] = b"textures/tiny".ljust(64, b"\0") + struct.pack("<2i", 0, 1)  # surface, contents
lumps[2] = struct.pack("<4f", 0, 0, 1, 0)  # normal, distance
lumps[3] = struct.pack("<9i", 0, -1, -1, *[-512] * 3, *[512] * 3)  # plane, sides, box
lumps[4] = struct.pack("<12i", 0, 0, *[-512] * 3, *[512] * 3, 0, 0, 0, 0)  # cluster, area, box
lumps[7] = struct.pack("<6f4i", *[-512] * 3, *[512] * 3, 0, 0, 0, 0)  # box, no surfaces
header, body = b"IBSP" + struct.pack("<i", 46), b""
for lump in lumps:
    header += struct.pack("<2i", 8 + 17 * 8 + len(body), len(lump))
    body += lump.ljust((len(lump) + 3) // 4 * 4, b"\0")
(folder / "maps" / "tiny.bsp").write_bytes(header + body)

player = folder / "models" / "players" / "sarge"
player.mkdir(parents=True, exist_ok=True)
# MD3 version 15: a header (frames, tags, surfaces, skins, then their
# offsets and the end) and one frame of 56 bytes.
model = b"IDP3" + struct.pack("<i64x9i", 15, 0, 1, 0, 0, 0, 108, 164, 164, 164) + bytes(56)
for part in ("lower", "upper", "head"):
    (player / (part + ".md3")).write_bytes(model)
    (player / (part + "_default.skin")).write_text("surface,shader\n")
(player / "animation.cfg").write_text("0 1 0 1\n" * 25)  # first, count, looping, fps
# TGA: uncompressed true colour, 1 x 1, 24 bits, a black pixel.
(player / "icon_default.tga").write_bytes(struct.pack("<3B9x2H2B", 0, 0, 2, 1, 1, 24, 0) + bytes(3))
