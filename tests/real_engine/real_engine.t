Real games through the plug-in with Debian's ioquake3 engine as et.exe
(et.sh): its dedicated server ioq3ded hosts, its client joins, headless.
The engine folder's name holds a space; game_files.py writes a map, tiny,
and a player model into its etmain/, beside the packages' game code. What
the engine did is read back over the network only: through the host's own
browser (info) and rcon (socat; rcon SECONDS COMMAND prints what the
server answers within that time).

  $ E="$PWD/engine folder/" && mkdir -p "$E" && cp "$TESTDIR/et.sh" "${E}et.exe"
  $ python3 "$TESTDIR/game_files.py" "${E}etmain" && ln -s /usr/lib/ioquake3/baseq3/*.so "${E}etmain"
  $ export SDLL_SYSCOLOR_FILE=$PWD/colours
  $ wolfet-host set engine general enginepath "$E" >/dev/null
  $ wolfet-host set multiplayer general map 'tiny - Tiny' >/dev/null
  $ rcon() { printf '\377\377\377\377rcon rc %s' "$2" | socat -t "$1" - udp:127.0.0.1:27960 | tail -n +2; }

A game that never gets as far as a map ends the transcript here, with what
it said:

  $ await() { for i in $(seq 200); do grep -qs "$1" "$2" && return; sleep 0.1; done; cat "$2"; exit 1; }

Hosted games, each game type once (LMS, Campaign, Objective, Stopwatch),
with download on and off, with a password (ET_PASSWORD) and without: a row
is the game type, download and password. For each: what the server says of its game type, name, map and password; what
rcon says of sv_wwwDownload (a server without that setting takes the word
for chat); and the colour, which the game's end puts back though it was
changed meanwhile. ioq3 reads the plug-in's Objective (g_gametype 2) as its
single-player type, which its `map` turns into free-for-all (0). The server
name only Objective sets stays in the engine's own configuration for the
games after it:

  $ for row in '2 1 ""' '3 0 pw' '0 1 ""' '1 0 pw'; do eval "set -- $row"
  >   wolfet-host set multiplayer general type "$1" >/dev/null
  >   wolfet-host set multiplayer general allowdownload "$2" >/dev/null
  >   : >host.log; ET_PASSWORD=$3 wolfet-host host --timeout 30 >host.log 2>&1 & host=$!
  >   await InitGame host.log && wolfet-host info --json 127.0.0.1:27960 | jq -r --arg type "$1" \
  >     '"type \($type): g_gametype \(.rules.g_gametype), \(.name), map \(.map), needpass \(.needpass)"'
  >   rcon 1 sv_wwwDownload && echo '13 0x00112233' >colours && rcon 0 quit
  >   wait $host || cat host.log; tail -n 1 host.log
  > done
  type 2: g_gametype 5, noname, map tiny, needpass false
  "sv_wwwDownload" is:"1^7", the default
  highlight colour: 0x00D77800 (#0078D7), as before the launch
  type 3: g_gametype 4, noname, map tiny, needpass true
  broadcast: print "server: sv_wwwDownload\n"
  highlight colour: 0x00D77800 (#0078D7), as before the launch
  type 0: g_gametype 0, ^1Orvanta Server, map tiny, needpass false
  "sv_wwwDownload" is:"1^7", the default
  highlight colour: 0x00D77800 (#0078D7), as before the launch
  type 1: g_gametype 3, ^1Orvanta Server, map tiny, needpass true
  broadcast: print "server: sv_wwwDownload\n"
  highlight colour: 0x00D77800 (#0078D7), as before the launch
  $ grep hostname home/server/etmain/q3config_server.cfg
  seta sv_hostname "^1Orvanta Server"

Each launch kept the script before it, Objective's for Stopwatch's:

  $ cat "${E}etmain/launch.cfg.bak"
  name Player\r (esc)
  g_gametype 2\r (esc)
  set sv_wwwDownload 1\r (esc)
  set sv_hostname ^1Orvanta Server\r (esc)
  map tiny\r (esc)

A player joins a game with a password, ioquake3 as et.exe: the server
lists them under the name the script gave, with a ping (a bot's is 0).
The browser shows its name without colour codes, and that it is another
game's, which et.exe cannot join:

  $ wolfet-host set multiplayer general type 0 >/dev/null
  $ ET_PASSWORD=pw wolfet-host host --timeout 40 >server.log 2>&1 & server=$!
  $ await InitGame server.log && cp wolfet-host.json client.json
  $ ET_CLIENT=1 ET_PASSWORD=pw wolfet-host --settings client.json join 127.0.0.1:27960 \
  >   --player '^2Field^dAgent' --timeout 40 >client.log 2>&1 & client=$!
  $ await ClientBegin server.log && sleep 1 && wolfet-host info 127.0.0.1:27960 | head -n 3
  #  Name            Mod  Map        Players  Type *Ping  Address (glob)
  0  Orvanta Server       other game (protocol *)  * ms  127.0.0.1:27960 (glob)
       FieldAgent  score 0  ping [1-9][0-9]* ms (re)
  $ wolfet-host info --json 127.0.0.1:27960 | jq -c '[.needpass, .players, .humans, .player_list[].name]'
  [true,1,1,"^2Field^dAgent"]

The client's end ends the join's poll, the server's the host's:

  $ echo quit >home/client/etmain/quit && wait $client; tail -n 2 client.log
  the game ended after * s (* polls) (glob)
  highlight colour: 0x00D77800 (#0078D7), as before the launch
  $ rcon 0 quit && wait $server; tail -n 2 server.log
  the game ended after * s (* polls) (glob)
  highlight colour: 0x00D77800 (#0078D7), as before the launch
