Games hosted and joined with the stand-in game as et.exe; it reports to a
file, and the desktop's colours are in ./colours:

  $ export SDLL_SYSCOLOR_FILE=$PWD/colours FAKE_ET_RECORD=game FAKE_ET_RUN_MS=400
  $ mkdir -p engine/etmain && cp "$FAKE_ET" engine/et.exe
  $ wolfet-host set engine general enginepath engine/ >/dev/null
  $ wolfet-host host
  wolfet-host: hosting needs a map: wolfet-host set multiplayer general map 'oasis - Siwa Oasis'
  [2]
  $ wolfet-host set multiplayer general map 'goldrush - Gold Rush' >/dev/null
  $ wolfet-host set multiplayer general type 1 >/dev/null

host writes the launch script, starts the game and polls until it ends; in
a pipe, in plain lines:

  $ wolfet-host host --player 'Tom Two'
  note: no check has been run with wolfet-host.json; launching with content flags 0
  hosting a game as "Tom Two" (SDLL_LaunchMultiplayer)
  launch script /*/launch.t/engine/etmain/launch.cfg: (glob)
    name Tom Two
    g_gametype 3
    map goldrush
  waiting for the game to end (SDLL_MultiplayerFinished every 100 ms)
  the game ended after \d\.\d s \(\d+ polls\) (re)
  highlight colour: 0x00D77800 (#0078D7), as before the launch

join connects to the server picked (a text may fill a 255-byte entry); after
a check, with nothing to note:

  $ wolfet-host check >/dev/null
  $ wolfet-host join --pick 1 $(printf '%255s' | tr ' ' x) second.example:27961 | head -n 1
  joining server 1 "second.example:27961" as "Player" (SDLL_LaunchMultiplayer)
  $ cat engine/etmain/launch.cfg
  name Player\r (esc)
  connect second.example:27961\r (esc)
  $ wolfet-host join --pick 0 first.example:27960 second.example:27961 >/dev/null
  $ cat engine/etmain/launch.cfg
  name Player\r (esc)
  connect first.example:27960\r (esc)

On a terminal a status line shows while the game runs, cleared for each
line after it, the game's own too; none for a game that ends at once.
`terminal` prints from the wait on, a run of redraws as one (script(1)
reads no input: this shell's is the transcript):

  $ terminal() { script -qec "$*" /dev/null </dev/null >tty; code=$?; sed -nE '/^waiting/,$ {
  >   s/(\r\x1b\[K[^\r]*game running[^\r]*)+/<status line>/g; s/\r\x1b\[K/<cleared>/g; s/\r$//; p }' tty
  >   return $code; }
  $ terminal wolfet-host host --interval 20
  waiting for the game to end (SDLL_MultiplayerFinished every 20 ms)
  <status line><cleared>the game ended after \d\.\d s \(\d+ polls\) (re)
  highlight colour: 0x00D77800 (#0078D7), as before the launch
  $ FAKE_ET_RUN_MS=0 terminal wolfet-host host
  waiting for the game to end (SDLL_MultiplayerFinished every 100 ms)
  the game ended after 0\.\d s \(\d polls\).* (re)
  highlight colour: 0x00D77800 (#0078D7), as before the launch
  $ mkdir -p chatty/etmain && wolfet-host set engine general enginepath chatty/ >/dev/null
  $ printf '#!/bin/sh\nsleep 0.5\necho ----- FS_Startup -----\nsleep 0.3\nprintf open\nsleep 0.3\n' >chatty/et.exe
  $ chmod +x chatty/et.exe && terminal wolfet-host host --interval 20
  waiting for the game to end (SDLL_MultiplayerFinished every 20 ms)
  <status line><cleared>----- FS_Startup -----
  <status line><cleared>open
  the game ended after \d\.\d s \(\d+ polls\) (re)
  highlight colour: 0x00D77800 (#0078D7), as before the launch
  $ wolfet-host set engine general enginepath engine/ >/dev/null

A wait stopped before the game ends (--timeout, Ctrl-C, SIGTERM; exit 1)
puts back the highlight colour from before the launch, though the game
changed it, and keeps it for the next launch; the terminal's closing ends
the game:

  $ export FAKE_ET_RUN_MS=3000 FAKE_ET_SET_COLOUR=0x00112233
  $ terminal wolfet-host host --timeout 1
  waiting for the game to end (SDLL_MultiplayerFinished every 100 ms)
  <status line><cleared>wolfet-host: the game in "/*/launch.t/engine/" is still running after 1.0 s; stopped waiting for it. The highlight colour from before the launch, 0x00D77800 (#0078D7), is put back (the game had set 0x00112233 (#332211)); it stays kept in wolfet-host.colour, and the next host or join puts it back first should the game change it again (glob)
  [1]
  $ cat colours
  13 0x00D77800
  $ terminal 'wolfet-host host --interval 20 & sleep 1; kill -INT $!; wait $!'
  waiting for the game to end (SDLL_MultiplayerFinished every 20 ms)
  <status line><cleared>wolfet-host: stopped waiting for the game in "/*/launch.t/engine/" on Ctrl-C (SIGINT); it may still be running. The highlight colour from before the launch, 0x00D77800 (#0078D7), is put back (the game had set 0x00112233 (#332211)); it stays kept in wolfet-host.colour, and the next host or join puts it back first should the game change it again (glob)
  [1]
  $ cat colours
  13 0x00D77800
  $ terminal 'wolfet-host host --interval 20 & sleep 1; kill -TERM $!; wait $!'
  waiting for the game to end (SDLL_MultiplayerFinished every 20 ms)
  <status line><cleared>wolfet-host: stopped waiting for the game in "/*/launch.t/engine/" on SIGTERM; it may still be running. The highlight colour from before the launch, 0x00D77800 (#0078D7), is put back (the game had set 0x00112233 (#332211)); it stays kept in wolfet-host.colour, and the next host or join puts it back first should the game change it again (glob)
  [1]
  $ cat colours
  13 0x00D77800

Should the game set its colour after the host has gone, the next launch
puts the kept one back first; a game seen to end keeps nothing, and a kept
colour past 32 bits is no colour:

  $ echo '13 0x00112233' >colours
  $ FAKE_ET_RUN_MS=300 FAKE_ET_SET_COLOUR= wolfet-host host | grep -v '^  '
  note: an earlier launch stopped waiting before its game ended, and the highlight colour is 0x00112233 (#332211), not 0x00D77800 (#0078D7) from before it (wolfet-host.colour): put that back before this launch
  hosting a game as "Player" (SDLL_LaunchMultiplayer)
  launch script /*/launch.t/engine/etmain/launch.cfg: (glob)
  waiting for the game to end (SDLL_MultiplayerFinished every 100 ms)
  the game ended after \d\.\d s \(\d+ polls\) (re)
  highlight colour: 0x00D77800 (#0078D7), as before the launch
  $ ls wolfet-host.colour
  ls: cannot access 'wolfet-host.colour': No such file or directory
  [2]
  $ echo 0x100000000 >wolfet-host.colour
  $ wolfet-host host
  wolfet-host: wolfet-host.colour holds no highlight colour (it keeps the colour from before a launch, such as 0x00D77800); mend or remove it
  [1]
  $ rm wolfet-host.colour && unset FAKE_ET_SET_COLOUR

Out of a pipe, a game that outlives --timeout (exit 1; a file quit ends the
stand-in), and one that never starts:

  $ FAKE_ET_RUN_MS=5000 wolfet-host host --timeout 0.3 >/dev/null
  wolfet-host: the game in "/*/launch.t/engine/" is still running after 0.3 s; stopped waiting for it. The highlight colour is as before the launch, 0x00D77800 (#0078D7); it stays kept in wolfet-host.colour, and the next host or join puts it back first should the game change it again (glob)
  [1]
  $ touch engine/quit && chmod -x engine/et.exe
  $ wolfet-host host | grep ended
  the game ended after \d\.\d s \(1 polls\); it ended at the first poll: did it start at all\? (re)
  $ chmod +x engine/et.exe

Texts that would reach the game as more than one command start nothing
(exit 2), nor does a folder without its trailing '/' (exit 4):

  $ rm engine/etmain/launch.cfg* && cp wolfet-host.json saved.json
  $ echo '{"servers": [{"address": "1.2.3.4:27960"}, {"address": "1.2.3.4:27960;quit"}]}' >wolfet-host.servers.json
  $ try() { wolfet-host "$@" >out 2>&1; echo "$? $(cat out)"; }
  $ try host --player 'Me;rcon_password x;quit'
  2 wolfet-host: the player name (--player) "Me;rcon_password x;quit" holds ';', where the game ends one command and starts another; leave it out
  $ try host --player 'Me"'
  2 wolfet-host: the player name (--player) "Me"" holds '"', which the game reads as the start of a quoted text; leave it out
  $ try join '1.2.3.4;exec evil.cfg'
  2 wolfet-host: server 0 "1.2.3.4;exec evil.cfg" holds ';', where the game ends one command and starts another; leave it out
  $ try join ''
  2 wolfet-host: server 0 is empty; the launch script needs a text there: give one
  $ try join --pick 1
  2 wolfet-host: server 1 of the list kept in wolfet-host.servers.json "1.2.3.4:27960;quit" holds ';', where the game ends one command and starts another; leave it out
  $ try set multiplayer general map 'oasis;quit - x'
  2 wolfet-host: the map name of multiplayer general map "oasis;quit" holds ';', where the game ends one command and starts another; leave it out
  $ sed -i 's/"goldrush - Gold Rush"/"oasis;quit - x"/' wolfet-host.json && try host
  2 wolfet-host: the map name of multiplayer general map in wolfet-host.json "oasis;quit" holds ';', where the game ends one command and starts another; leave it out
  $ echo "{\"engine\": {\"general\": {\"enginepath\": \"$PWD/engine\"}}}" >wolfet-host.json
  $ try join 1.2.3.4:27960
  4 wolfet-host: the engine folder "/*/launch.t/engine" is not usable: no et.exe at "/*/launch.t/engineet.exe"; it lacks the trailing '/' the plug-in needs (glob)
  $ ls engine/etmain
  $ cp saved.json wolfet-host.json && wolfet-host join --pick 0 >/dev/null
  $ cat engine/etmain/launch.cfg
  name Player\r (esc)
  connect 1.2.3.4:27960\r (esc)

A script the plug-in cannot write is never taken for the new one: where
etmain/ is not writable (to nobody, as whom root runs the host) nothing
starts and the old script stays; where it cannot be made, the game is told
to be closed:

  $ user() { if [ "$(id -u)" = 0 ]; then setpriv --reuid=65534 --regid=65534 --clear-groups "$@"; else "$@"; fi; }
  $ chmod 711 "$CRAMTMP" && chmod a-w engine/etmain
  $ FAKE_ET_RECORD= user wolfet-host join 5.6.7.8:27960
  wolfet-host: the launch script cannot be written in "/*/launch.t/engine/etmain/": etmain/ must be writable for the plug-in to write launch.cfg there; nothing was started (glob)
  [1]
  $ cat engine/etmain/launch.cfg
  name Player\r (esc)
  connect 1.2.3.4:27960\r (esc)
  $ chmod u+w engine/etmain && rm engine/etmain/launch.cfg*
  $ mkdir -p engine/etmain/launch.cfg engine/etmain/launch.cfg.bak/kept
  $ FAKE_ET_RUN_MS=0 wolfet-host join 1.2.3.4:27960
  joining server 0 "1.2.3.4:27960" as "Player" (SDLL_LaunchMultiplayer)
  wolfet-host: the plug-in wrote no new launch script at /*/launch.t/engine/etmain/launch.cfg (there is none), so the game it started runs an old script or none: close that game. Stopped waiting for it. The highlight colour is as before the launch, 0x00D77800 (#0078D7); it stays kept in wolfet-host.colour, and the next host or join puts it back first should the game change it again (glob)
  [1]
