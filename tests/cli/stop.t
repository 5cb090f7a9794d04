When the host stops waiting before the game ends (--timeout, Ctrl-C,
SIGTERM), it puts back the highlight colour from before the launch itself,
though the game changed it, and keeps it for the next launch. Each stop on
a terminal of its own, whose closing ends the game too:

  $ export SDLL_SYSCOLOR_FILE=$PWD/colours FAKE_ET_RECORD=game FAKE_ET_RUN_MS=3000 FAKE_ET_SET_COLOUR=0x00112233
  $ mkdir -p engine/etmain && cp "$FAKE_ET" engine/et.exe
  $ wolfet-host set engine general enginepath engine/ >/dev/null
  $ wolfet-host set multiplayer general map 'oasis - Siwa Oasis' >/dev/null
  $ wolfet-host check >/dev/null
  $ terminal() {  # runs "$*" on a terminal; prints from the wait on, redraws of the status line as one
  >   script -qec "$*" /dev/null >tty; code=$?
  >   sed -nE '/^waiting/,$ { s/(\r\x1b\[K[^\r]*game running[^\r]*)+/<status line>/g; s/\r\x1b\[K/<cleared>/g; s/\r$//; p }' tty
  >   return $code
  > }
  $ terminal wolfet-host host --timeout 1
  waiting for the game to end (SDLL_MultiplayerFinished every 100 ms)
  <status line><cleared>wolfet-host: the game in "/*/stop.t/engine/" is still running after 1.0 s; stopped waiting for it. The highlight colour from before the launch, 0x00D77800 (#0078D7), is put back (the game had set 0x00112233 (#332211)); it stays kept in wolfet-host.colour, and the next host or join puts it back first should the game change it again (glob)
  [1]
  $ cat colours
  13 0x00D77800
  $ terminal 'wolfet-host host --interval 20 & sleep 1; kill -INT $!; wait $!'
  waiting for the game to end (SDLL_MultiplayerFinished every 20 ms)
  <status line><cleared>wolfet-host: stopped waiting for the game in "/*/stop.t/engine/" on Ctrl-C (SIGINT); it may still be running. The highlight colour from before the launch, 0x00D77800 (#0078D7), is put back (the game had set 0x00112233 (#332211)); it stays kept in wolfet-host.colour, and the next host or join puts it back first should the game change it again (glob)
  [1]
  $ cat colours
  13 0x00D77800
  $ terminal 'wolfet-host host --interval 20 & sleep 1; kill -TERM $!; wait $!'
  waiting for the game to end (SDLL_MultiplayerFinished every 20 ms)
  <status line><cleared>wolfet-host: stopped waiting for the game in "/*/stop.t/engine/" on SIGTERM; it may still be running. The highlight colour from before the launch, 0x00D77800 (#0078D7), is put back (the game had set 0x00112233 (#332211)); it stays kept in wolfet-host.colour, and the next host or join puts it back first should the game change it again (glob)
  [1]
  $ cat colours
  13 0x00D77800

Should the game set its colour after the host has gone, the next launch
puts the kept one back first; a game seen to end keeps nothing:

  $ echo '13 0x00112233' >colours
  $ FAKE_ET_RUN_MS=300 FAKE_ET_SET_COLOUR= wolfet-host host | grep -v '^  '
  note: an earlier launch stopped waiting before its game ended, and the highlight colour is 0x00112233 (#332211), not 0x00D77800 (#0078D7) from before it (wolfet-host.colour): put that back before this launch
  hosting a game as "Player" (SDLL_LaunchMultiplayer)
  launch script /*/stop.t/engine/etmain/launch.cfg: (glob)
  waiting for the game to end (SDLL_MultiplayerFinished every 100 ms)
  the game ended after \d\.\d s \(\d+ polls\) (re)
  highlight colour: 0x00D77800 (#0078D7), as before the launch
  $ ls
  colours
  engine
  tty
  wolfet-host.json
  $ echo 0x100000000 >wolfet-host.colour
  $ wolfet-host host
  wolfet-host: wolfet-host.colour holds no highlight colour (it keeps the colour from before a launch, such as 0x00D77800); mend or remove it
  [1]
