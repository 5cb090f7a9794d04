A server with a player and a bot, one without players, one that never
answers:

  $ mkfifo ports
  $ stand-in-servers --server '\hostname\FoxDen\clients\2\sv_maxclients\10\protocol\84\gamename\et\needpass\0' \
  >   --player 12 40 '^1[TC]^7Fox' --player 0 0 bot \
  >   --server '\hostname\Empty\protocol\84\gamename\et\needpass\0' --silent >ports &
  $ read -r master fox empty silent <ports

info asks one server: its row, its players, then its rules sorted by key;
--json gives one object, the names' colour codes kept:

  $ wolfet-host info --timeout 5 127.0.0.1:$fox
  #  Name    Mod     Map  Players  Type *Ping  Address (glob)
  0  FoxDen  etmain       1+1/10   \?  * ms  127.0.0.1:* (glob)
       [TC]Fox  score 12  ping 40 ms
       bot      score  0  ping  0 ms
  rules:
    clients = 2
    gamename = et
    hostname = FoxDen
    needpass = 0
    protocol = 84
    sv_maxclients = 10
  $ wolfet-host info --timeout 5 --json 127.0.0.1:$fox | jq -c '[.bots, .humans, .player_list[].name]'
  [1,1,"^1[TC]^7Fox","bot"]

A server that does not answer (exit 6), in JSON too:

  $ wolfet-host info --timeout 0.5 127.0.0.1:$silent
  wolfet-host: the server 127.0.0.1:* sent no answer to 3 requests in * s; check the address, or give a longer --timeout (glob)
  [6]
  $ wolfet-host info --timeout 0.5 --json 127.0.0.1:$silent >info.json
  wolfet-host: the server 127.0.0.1:* sent no answer to 3 requests in * s; check the address, or give a longer --timeout (glob)
  [6]
  $ jq .answered info.json
  false

servers asks no one for players unless told; --players shows each server's
under its row, --player NAME the servers where a player of that name is on
(colour codes and case aside):

  $ wolfet-host servers --timeout 5 --master 127.0.0.1:$master 2>/dev/null | grep -c score
  0
  [1]
  $ wolfet-host servers --timeout 5 --sort name --master 127.0.0.1:$master --players
  asking the master server 127.0.0.1:* (timeout 5 s) (glob)
  #  Name             Mod     Map  Players  Type *Ping  Address (glob)
  0  Empty            etmain       0+0/\?    \?  * ms  127.0.0.1:* (glob)
  1  FoxDen           etmain       1+1/10   \?  * ms  127.0.0.1:* (glob)
       [TC]Fox  score 12  ping 40 ms
       bot      score  0  ping  0 ms
  2  (not answering) * -  127.0.0.1:* (glob)
  3 servers listed by 127.0.0.1:*, 2 answering, 1 silent, 0 unreachable (*s); join one with: wolfet-host join --pick N (glob)
  $ wolfet-host servers --timeout 5 --sort name --master 127.0.0.1:$master --player 'tc]FOX' 2>/dev/null | grep -v score
  #  Name    Mod     Map  Players  Type *Ping  Address (glob)
  1  FoxDen  etmain       1+1/10   \?  * ms  127.0.0.1:* (glob)
  1 of 3 servers shown (filters: --player tc]FOX); 3 servers listed by 127.0.0.1:*, 2 answering, 1 silent, 0 unreachable (*s); join one with: wolfet-host join --pick N (glob)
