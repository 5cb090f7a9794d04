Stand-in servers on 127.0.0.1 run in the background until this transcript
ends; each start prints the master's port, then each server's in the order
given:

  $ mkfifo ports
  $ stand-in-servers --silent --server '\hostname\^1Red^7Fox\mapname\oasis' --server '\hostname\Blue' --log asked >ports &
  $ read -r master silent red blue <ports

servers asks the master in the settings (by address or by name) for its
list, then every server on it, and keeps the list for join --pick; in a
pipe, a table without colour codes:

  $ wolfet-host set engine servers masteraddress localhost:$master
  engine servers masteraddress = "localhost:*" (saved in wolfet-host.json) (glob)
  $ timeout 2.5 wolfet-host servers --timeout 0.5 --sort name
  asking the master server localhost:* (timeout 0.5 s) (glob)
  #  Name             Mod     Map    Players  Type *Ping  Address (glob)
  0  Blue             etmain         \?/\?      \?  * ms  127.0.0.1:* (glob)
  1  RedFox           etmain  oasis  \?/\?      \?  * ms  127.0.0.1:* (glob)
  2  (not answering)                                 * -  127.0.0.1:* (glob)
  3 servers listed by localhost:*, 2 answering, 1 silent, 0 unreachable (0.* s); join one with: wolfet-host join --pick N (glob)

--json prints the list it keeps, fastest first and the silent last; join
--pick N joins its entry N:

  $ timeout 2.5 wolfet-host servers --timeout 0.5 --json >list.json
  asking the master server localhost:* (timeout 0.5 s) (glob)
  $ jq -c '[.[].answered]' list.json
  [true,true,false]
  $ jq -r '.[].address' list.json >printed
  $ jq -r '.servers[].address' wolfet-host.json.wolfet-host-servers.json | diff - printed && echo kept
  kept
  $ mkdir -p engine/etmain && cp "$FAKE_ET" engine/et.exe && wolfet-host set engine general enginepath engine/ >/dev/null
  $ SDLL_SYSCOLOR_FILE=$PWD/colours FAKE_ET_RECORD=game FAKE_ET_RUN_MS=0 wolfet-host join --pick 1 >/dev/null 2>&1
  $ grep -c "^connect $(sed -n 2p printed)" engine/etmain/launch.cfg
  1

With public servers off no one is asked; --json prints an empty list; only
the favourites are asked then, and timed like any listing:

  $ wolfet-host set engine servers performquery 0 >/dev/null
  $ cp asked before
  $ wolfet-host servers --json
  []
  public servers are off (engine servers performquery is 0): no master asked; turn them on with 'wolfet-host set engine servers performquery 1' or name a master with --master HOST[:PORT]
  $ cmp asked before && echo 'no one asked'
  no one asked
  $ wolfet-host favourites add 127.0.0.1:$silent >/dev/null
  $ wolfet-host servers --timeout 0.5 | sed -n '1p; $p'
  public servers are off (engine servers performquery is 0): no master asked, only your favourites; turn them on with 'wolfet-host set engine servers performquery 1' or name a master with --master HOST[:PORT]
  1 servers listed by your favourites, 0 answering, 1 silent, 0 unreachable \(0\.[1-9]\d s\); join one with: wolfet-host join --pick N (re)
  $ wolfet-host favourites remove 127.0.0.1:$silent >/dev/null

A master named with --master that sends nothing is asked three times, until
--timeout (exit 6); one whose list never ends is read until then:

  $ stand-in-servers --master-silent --log mute >ports &
  $ read -r mute <ports
  $ timeout 2.5 wolfet-host servers --timeout 0.5 --master 127.0.0.1:$mute
  asking the master server 127.0.0.1:* (timeout 0.5 s) (glob)
  wolfet-host: the master server 127.0.0.1:* sent no server list within 0.5 s (from --master); give another with --master HOST[:PORT], or a longer --timeout (glob)
  [6]
  $ wc -l <mute
  3
  $ stand-in-servers --master-unended --server '\hostname\Green' >ports &
  $ read -r endless green <ports
  $ timeout 2.5 wolfet-host servers --timeout 0.5 --master 127.0.0.1:$endless | tail -n 1
  asking the master server 127.0.0.1:* (timeout 0.5 s) (glob)
  note: the master's list did not end before the deadline; there may be more servers than these
  1 servers listed by 127.0.0.1:*, 1 answering, 0 silent, 0 unreachable (0.* s); join one with: wolfet-host join --pick N (glob)

A list that cannot be written (here past a file size limit, as on a full
disk) takes the older one with it: join --pick never picks from a list
other than the one just shown:

  $ wolfet-host set engine servers performquery 1 >/dev/null && wolfet-host servers --timeout 0.5 >/dev/null 2>&1
  $ (trap '' XFSZ && ulimit -f 0 && wolfet-host servers --timeout 0.5 2>&1 >/dev/null | tail -n 1)
  wolfet-host: cannot write the server list wolfet-host.json.wolfet-host-servers.json (File too large); the older list is removed, so that 'join --pick' picks from none but this one: the list above is not kept, so 'join --pick' cannot pick from it; keep it with --settings FILE in a folder you can write
  $ wolfet-host join --pick 0
  wolfet-host: no server given and no list kept at wolfet-host.json.wolfet-host-servers.json: run 'wolfet-host servers' first, or name servers
  [2]

Nor is a file there replaced that is no list this host kept:

  $ for list in "$(printf '%50000s' | tr ' ' '[')" '{ not json' '[1]'; do
  >   printf '%s' "$list" >wolfet-host.json.wolfet-host-servers.json
  >   wolfet-host servers --timeout 0.5 >/dev/null 2>err; echo "$? $(tail -n 1 err | cut -d';' -f1)"
  >   printf '%s' "$list" | cmp -s - wolfet-host.json.wolfet-host-servers.json || echo "the list was replaced"
  > done
  1 wolfet-host: cannot keep the server list: wolfet-host.json.wolfet-host-servers.json is left as it is, since it is no JSON (it nests deeper than 16 levels)
  1 wolfet-host: cannot keep the server list: wolfet-host.json.wolfet-host-servers.json is left as it is, since it is no JSON ([json.exception.parse_error.101] parse error at line 1, column 4: syntax error while parsing object key - invalid literal
  1 wolfet-host: cannot keep the server list: wolfet-host.json.wolfet-host-servers.json is left as it is, since it is no server list

An empty list offers nothing to join:

  $ rm wolfet-host.json.wolfet-host-servers.json
  $ stand-in-servers >ports &
  $ read -r empty <ports
  $ wolfet-host servers --master 127.0.0.1:$empty
  asking the master server 127.0.0.1:* (timeout 3 s) (glob)
  0 servers listed by 127.0.0.1:*, 0 answering, 0 silent, 0 unreachable (*s) (glob)
