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
  note: the player name "Tom Two" holds a space: the original Wolf ET keeps only its first word ("Tom"); ET: Legacy keeps it whole
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

  $ x=$(printf '%63s' | tr ' ' x) && y=$(printf '%57s' | tr ' ' y) && wolfet-host check >/dev/null
  $ wolfet-host join --pick 1 "$x.$x.$x.$y:27960" second.example:27961 >out; head -n 1 out
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
  <status line><cleared>wolfet-host: the game in "/*/launch.t/engine/" is still running after 1.0 s; stopped waiting for it. The highlight colour from before the launch, 0x00D77800 (#0078D7), is put back (the game had set 0x00112233 (#332211)); it stays kept in wolfet-host.json.wolfet-host-colour, and the next host or join puts it back first should the game change it again (glob)
  [1]
  $ cat colours
  13 0x00D77800
  $ for sig in INT TERM; do terminal "wolfet-host host --interval 20 & sleep 1; kill -$sig \$!; wait \$!"; echo "exit $?, $(cat colours)"; done
  waiting for the game to end (SDLL_MultiplayerFinished every 20 ms)
  <status line><cleared>wolfet-host: stopped waiting for the game in "/*/launch.t/engine/" on Ctrl-C (SIGINT); it may still be running. The highlight colour from before the launch, 0x00D77800 (#0078D7), is put back (the game had set 0x00112233 (#332211)); it stays kept in wolfet-host.json.wolfet-host-colour, and the next host or join puts it back first should the game change it again (glob)
  exit 1, 13 0x00D77800
  waiting for the game to end (SDLL_MultiplayerFinished every 20 ms)
  <status line><cleared>wolfet-host: stopped waiting for the game in "/*/launch.t/engine/" on SIGTERM; it may still be running. The highlight colour from before the launch, 0x00D77800 (#0078D7), is put back (the game had set 0x00112233 (#332211)); it stays kept in wolfet-host.json.wolfet-host-colour, and the next host or join puts it back first should the game change it again (glob)
  exit 1, 13 0x00D77800

Should the game set its colour after the host has gone, the next launch
puts the kept one back first; a game seen to end keeps nothing, and a kept
colour past 32 bits is no colour:

  $ echo '13 0x00112233' >colours
  $ FAKE_ET_RUN_MS=300 FAKE_ET_SET_COLOUR= wolfet-host host | grep -v '^  '
  note: an earlier launch stopped waiting before its game ended, and the highlight colour is 0x00112233 (#332211), not 0x00D77800 (#0078D7) from before it (wolfet-host.json.wolfet-host-colour): put that back before this launch
  hosting a game as "Player" (SDLL_LaunchMultiplayer)
  launch script /*/launch.t/engine/etmain/launch.cfg: (glob)
  waiting for the game to end (SDLL_MultiplayerFinished every 100 ms)
  the game ended after \d\.\d s \(\d+ polls\) (re)
  highlight colour: 0x00D77800 (#0078D7), as before the launch
  $ ls wolfet-host.json.wolfet-host-colour
  ls: cannot access 'wolfet-host.json.wolfet-host-colour': No such file or directory
  [2]
  $ echo 0x100000000 >wolfet-host.json.wolfet-host-colour
  $ wolfet-host host
  wolfet-host: wolfet-host.json.wolfet-host-colour holds no highlight colour (it keeps the colour from before a launch, such as 0x00D77800; mend or remove it)
  [1]
  $ rm wolfet-host.json.wolfet-host-colour && unset FAKE_ET_SET_COLOUR

Out of a pipe, a game that outlives --timeout (exit 1; a file quit ends the
stand-in), and one that never starts:

  $ FAKE_ET_RUN_MS=5000 wolfet-host host --timeout 0.3 >/dev/null
  wolfet-host: the game in "/*/launch.t/engine/" is still running after 0.3 s; stopped waiting for it. The highlight colour is as before the launch, 0x00D77800 (#0078D7); it stays kept in wolfet-host.json.wolfet-host-colour, and the next host or join puts it back first should the game change it again (glob)
  [1]
  $ touch engine/quit && rm engine/et.exe && printf '#!/no/such/program\n' >engine/et.exe && chmod +x engine/et.exe
  $ wolfet-host host | grep ended
  the game ended after \d\.\d s \(1 polls\); it ended at the first poll: did it start at all\? (re)
  $ cp "$FAKE_ET" engine/et.exe

Texts that would reach the game as more than one command start nothing
(exit 2), nor does a folder without its trailing '/' (exit 4):

  $ rm engine/etmain/launch.cfg* && cp wolfet-host.json saved.json
  $ echo '{"servers": [{"address": "1.2.3.4:27960"}, {"address": "1.2.3.4:27960;quit"}]}' >wolfet-host.json.wolfet-host-servers.json
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
  2 wolfet-host: server 1 of the list kept in wolfet-host.json.wolfet-host-servers.json "1.2.3.4:27960;quit" holds ';', where the game ends one command and starts another; leave it out
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

What would make the plug-in lose the old script or start the game on
another one is refused before anything starts: an etmain/ it cannot
write (to nobody, as whom root runs the host) or fill, a backup it cannot
make, an et.exe that cannot run, a path past its limit (exit 1 for the
files, 4 for the engine folder), or a launch.cfg in the game's home
folder, which the game would run instead (exit 2, unless --force):

  $ user() { if [ "$(id -u)" = 0 ]; then setpriv --reuid=65534 --regid=65534 --clear-groups "$@"; else "$@"; fi; }
  $ chmod 711 "$CRAMTMP" && export FAKE_ET_RUN_MS=0 FAKE_ET_RECORD=
  $ refused() {  # sets up with $1, runs the rest: the code, what is said up to the fix; undoes $1
  >   sh -c "$1" && shift && "$@" >out 2>&1; echo "$? $(tail -n 1 out)"
  >   chmod -R u+w engine && rm -rf engine/etmain/launch.cfg.bak engine/et.exe && cp "$FAKE_ET" engine/et.exe
  > }
  $ refused 'chmod a-w engine/etmain' user wolfet-host join 5.6.7.8:27960
  1 wolfet-host: the launch script cannot be written in "*/launch.t/engine/etmain" (Permission denied): etmain/ must be writable, with room, for the plug-in to write launch.cfg there; nothing was started (glob)
  $ refused true sh -c "trap '' XFSZ && ulimit -f 1 && exec wolfet-host join 5.6.7.8:27960"
  1 wolfet-host: the launch script cannot be written in "*/launch.t/engine/etmain" (File too large): etmain/ must be writable, with room, for the plug-in to write launch.cfg there; nothing was started (glob)
  $ refused 'touch engine/etmain/launch.cfg.bak && chmod a-w engine/etmain/launch.cfg.bak' wolfet-host host
  1 wolfet-host: the backup of the launch script, "*/launch.t/engine/etmain/launch.cfg.bak", is read-only: the plug-in could not move the old script aside and would write over it; move it away; nothing was started (glob)
  $ for et in 'chmod a-x engine/et.exe' 'rm engine/et.exe && mkdir engine/et.exe' 'rm engine/et.exe && ln -s gone engine/et.exe'; do
  >   refused "$et" wolfet-host host; done
  4 wolfet-host: the engine folder "*/launch.t/engine/" is not usable: "*/launch.t/engine/et.exe" may not be run: give it the right to (chmod +x) (glob)
  4 wolfet-host: the engine folder "*/launch.t/engine/" is not usable: "*/launch.t/engine/et.exe" is a folder, not the game's program (glob)
  4 wolfet-host: the engine folder "*/launch.t/engine/" is not usable: "*/launch.t/engine/et.exe" is a link to nothing: its target is not there (glob)
  $ long=$PWD/$(printf '%230s' | tr ' ' l)/ && mkdir -p "${long}etmain" && cp "$FAKE_ET" "${long}et.exe"
  $ wolfet-host set engine general enginepath "$long" >/dev/null && wolfet-host host
  wolfet-host: the engine folder "*/llll*/" is too long for the plug-in: "*/llll*/etmain\\launch.cfg.bak" is * characters, and it reaches no path over 259; move the game to a folder with a shorter path (glob)
  [4]
  $ wolfet-host set engine general enginepath engine/ >/dev/null
  $ mkdir -p "$HOME/.etlegacy/etmain" && echo 'map oasis' >"$HOME/.etlegacy/etmain/launch.cfg"
  $ wolfet-host host
  wolfet-host: "*/.etlegacy/etmain/launch.cfg" is in the game's home folder, where the game looks first: it would run that script and not the one the plug-in writes; move it away (the host deletes nothing of yours), or give --force to launch all the same; nothing was started (glob)
  [2]
  $ wolfet-host host --force 2>&1 >/dev/null | grep -o "in the game's home folder.*(--force)"
  in the game's home folder, where the game looks first: it would run that script and not the one the plug-in writes; launching all the same (--force)
  $ cat "$HOME/.etlegacy/etmain/launch.cfg" && rm -r "$HOME/.etlegacy"
  map oasis
