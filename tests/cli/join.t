A master listing three servers of the engine family: one that needs a
password, one open, one of another game (by protocol):

  $ mkfifo ports
  $ stand-in-servers --server '\hostname\Locked\protocol\84\gamename\et\needpass\1' \
  >   --server '\hostname\Open\protocol\84\gamename\et\needpass\0' \
  >   --server '\hostname\Other\protocol\68\gamename\et\needpass\0' >ports &
  $ read -r master locked open other <ports
  $ mkdir -p engine/etmain && cp "$FAKE_ET" engine/et.exe && wolfet-host set engine general enginepath engine/ >/dev/null
  $ wolfet-host servers --timeout 5 --sort name --master 127.0.0.1:$master
  asking the master server 127.0.0.1:* (timeout 5 s) (glob)
  #  Name    Mod     Map        Players  Type *Ping  Address (glob)
  0  Locked  etmain             \?/\? pw   \?  * ms  127.0.0.1:* (glob)
  1  Open    etmain             \?/\?      \?  * ms  127.0.0.1:* (glob)
  2  Other           other game (protocol 68)  * ms  127.0.0.1:* (glob)
  3 servers listed by 127.0.0.1:*, 3 answering, 0 silent, 0 unreachable (*s); pw: needs a password, which the launch cannot carry; join one with: wolfet-host join --pick N (glob)

A filter narrows what is shown, not the list kept: # stays the index join
--pick takes:

  $ wolfet-host servers --timeout 5 --sort name --master 127.0.0.1:$master --no-password
  asking the master server 127.0.0.1:* (timeout 5 s) (glob)
  #  Name  Mod     Map  Players  Type *Ping  Address (glob)
  1  Open  etmain       \?/\?      \?  * ms  127.0.0.1:* (glob)
  1 of 3 servers shown (filters: --no-password); 3 servers listed by 127.0.0.1:*, 3 answering, 0 silent, 0 unreachable (*s); join one with: wolfet-host join --pick N (glob)
  $ wolfet-host servers --timeout 5 --sort name --master 127.0.0.1:$master --no-password --json | jq -c '.[] | [.index, .name]'
  asking the master server 127.0.0.1:* (timeout 5 s) (glob)
  [1,"Open"]
  $ jq '.servers | length' wolfet-host.json.wolfet-host-servers.json
  3

join --pick refuses what the game cannot join (exit 2): another game's
server, and one that needs a password unless --force is given, since the
launch script cannot carry a password:

  $ wolfet-host join --force --pick 2
  wolfet-host: server 2 (127.0.0.1:*) is of another game (protocol 68), which et.exe cannot join; pick a server of this game (glob)
  [2]
  $ wolfet-host join --pick 0
  wolfet-host: server 0 (127.0.0.1:*) needs a password, and the launch cannot carry one, so the game would be turned away; give --force to join it all the same (glob)
  [2]
  $ SDLL_SYSCOLOR_FILE=$PWD/colours FAKE_ET_RECORD=game FAKE_ET_RUN_MS=0 wolfet-host join --force --pick 0 >out 2>/dev/null; head -n 1 out
  joining server 0 "127.0.0.1:*" as "Player" (SDLL_LaunchMultiplayer) (glob)
