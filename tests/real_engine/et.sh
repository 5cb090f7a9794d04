#!/bin/sh
# et.exe of the real-engine transcript, started by the plug-in in the
# engine folder with its "+exec launch.cfg": Debian's dedicated server
# ioq3ded, or with ET_CLIENT set Debian's ioquake3 client, headless under
# Xvfb with Mesa's software renderer. Both run standalone on the engine
# folder's etmain/ with the packages' game code as native libraries, their
# home folders beside the engine folder, on 127.0.0.1 only. The server
# takes rcon with the password rc; ET_PASSWORD is the server's password,
# or the one the client gives. "quit" written to the client's home
# etmain/quit ends it.
#
# The server's clock, which times its clients' pings, ticks once a frame:
# at 125 frames a second rather than 20 a client on loopback shows the
# delay of its acknowledgements (about half a client frame), not 0.
set -eu
home="$(dirname "$PWD")/home"
if [ -z "${ET_CLIENT-}" ]; then
  exec /usr/lib/ioquake3/ioq3ded +set com_basegame etmain +set fs_basepath "$PWD" \
    +set fs_homepath "$home/server" +set vm_game 0 +set net_enabled 1 +set net_ip 127.0.0.1 \
    +set sv_fps 125 +set bot_enable 0 +set sv_pure 0 +set rconpassword rc +set g_password "${ET_PASSWORD-}" "$@"
fi
# No sound, no message of the day from the internet, and few frames: the
# software renderer has two cores to share with the server.
exec xvfb-run -a /usr/lib/ioquake3/ioquake3 +set com_basegame etmain +set fs_basepath "$PWD" \
  +set fs_homepath "$home/client" +set vm_cgame 0 +set vm_ui 0 +set net_enabled 1 \
  +set net_ip 127.0.0.1 +set s_initsound 0 +set cl_motd 0 +set cl_renderer opengl1 \
  +set com_maxfps 20 +set com_pipefile quit +set password "${ET_PASSWORD-}" "$@"
