A settings file the host cannot take is refused (exit 2), naming what is
wrong, and left as it was, with no temporary file beside it:

  $ refused() {  # the settings file $1 and the command after it: the exit code and what is said
  >   printf '%s' "$1" >wolfet-host.json && cp wolfet-host.json before && shift
  >   wolfet-host "$@" >out 2>&1; echo "$? $(cat out)"
  >   ls -d wolfet-host.json?* 2>/dev/null
  >   cmp -s before wolfet-host.json || echo "wolfet-host.json was changed"
  > }
  $ refused '{ not json' settings
  2 wolfet-host: settings file wolfet-host.json does not read as JSON ([json.exception.parse_error.101] parse error at line 1, column 4: syntax error while parsing object key - invalid literal; last read: '{ no'; expected string literal); it is left as it is: mend it or name another with --settings
  $ refused '[1]' get engine general enginepath
  2 wolfet-host: settings file wolfet-host.json is not a JSON object but array; it is left as it is: mend it or name another with --settings
  $ refused "$(printf '%50000s' | tr ' ' '[')" set multiplayer general allowdownload 1
  2 wolfet-host: settings file wolfet-host.json does not read as JSON (it nests deeper than 16 levels); it is left as it is: mend it or name another with --settings
  $ refused '{"last_check": 5}' check
  2 wolfet-host: settings file wolfet-host.json: last_check is 5, not an object; mend it or name another with --settings
  $ refused '{"last_check": {"content_flags": "0x4000"}}' verify --record
  2 wolfet-host: settings file wolfet-host.json: last_check content_flags is "0x4000", not a 32-bit number such as 16384; mend it or name another with --settings
  $ refused '{"last_check": {"content_flags": 4294967296}}' check
  2 wolfet-host: settings file wolfet-host.json: last_check content_flags is 4294967296, not a 32-bit number such as 16384; mend it or name another with --settings
  $ refused '{"manifest": {"/g/et.exe": {"size": "202", "sha256": "aa"}}}' verify
  2 wolfet-host: settings file wolfet-host.json: manifest "/g/et.exe" size is "202", not a number of bytes; mend it or name another with --settings
  $ refused '{"manifests": {}}' set engine general parameters x
  2 wolfet-host: settings file wolfet-host.json: manifests is not a key of this file (engine, multiplayer, last_check, manifest); mend it or name another with --settings
  $ refused '{"engine": {"general": {"enginpath": "/g/"}}}' check
  2 wolfet-host: engine general enginpath in wolfet-host.json is not a setting of the plug-in (see 'wolfet-host schema'); it holds "/g/"; mend it or name another with --settings
  $ refused '{"engine": {"general": 5}}' set engine general parameters x
  2 wolfet-host: settings file wolfet-host.json: engine general is 5, not an object of settings; mend it or name another with --settings
  $ refused '{"multiplayer": {"general": {"map": 5}}}' set multiplayer general allowdownload 1
  2 wolfet-host: multiplayer general map in wolfet-host.json takes text, in double quotes; it holds 5; mend it or name another with --settings
  $ refused '{"engine": {"servers": {"performquery": "yes"}}}' verify --record
  2 wolfet-host: engine servers performquery in wolfet-host.json is a boolean: true, false, 0 or 1; it holds "yes"; mend it or name another with --settings
  $ refused '{"multiplayer": {"general": {"map": "x\nquit -"}}}' check
  2 wolfet-host: multiplayer general map in wolfet-host.json holds a control character (such as a line break); the game would read it as a command of its own
  $ refused '{"engine": {"general": {}}, "engine": {}}' settings
  2 wolfet-host: settings file wolfet-host.json does not read as JSON (it names the key "engine" twice in one object); it is left as it is: mend it or name another with --settings
  $ refused "{\"engine\": {\"general\": {\"parameters\": \"$(head -c 1100000 /dev/zero | tr '\0' x)\"}}}" get engine general parameters
  2 wolfet-host: settings file wolfet-host.json is larger than any the host writes (over 1048576 bytes); it is left as it is: mend it or name another with --settings
  $ refused '{"engine": {"servers": {"masteraddress": "::1"}}}' servers
  2 wolfet-host: the master server "::1" of engine servers masteraddress (in wolfet-host.json) is an IPv6 address; only IPv4 masters can be asked (as the game's own are); set another with 'wolfet-host set engine servers masteraddress HOST[:PORT]', or give --master HOST[:PORT]

A file that cannot be read is refused, not taken for an empty one (as root,
the host runs as nobody, whom the mode binds):

  $ user() { if [ "$(id -u)" = 0 ]; then setpriv --reuid=65534 --regid=65534 --clear-groups "$@"; else "$@"; fi; }
  $ chmod 711 "$CRAMTMP"
  $ echo '{"multiplayer": {"general": {"map": "oasis - Siwa Oasis"}}}' >wolfet-host.json && chmod 0 wolfet-host.json
  $ user wolfet-host set multiplayer general allowdownload 1
  wolfet-host: cannot read settings file wolfet-host.json (Permission denied); it is left as it is: mend it or name another with --settings
  [2]
  $ stat -c %a wolfet-host.json
  0
  $ chmod 644 wolfet-host.json && cat wolfet-host.json
  {"multiplayer": {"general": {"map": "oasis - Siwa Oasis"}}}

A kept server list that cannot be read, or read back, is refused by join
--pick:

  $ echo '{"servers": [{"address": "127.0.0.1:27960"}]}' >wolfet-host.json.wolfet-host-servers.json && chmod 0 wolfet-host.json.wolfet-host-servers.json
  $ user wolfet-host join --pick 0
  wolfet-host: cannot read server list wolfet-host.json.wolfet-host-servers.json (Permission denied); it is left as it is: run 'wolfet-host servers' again, or name servers
  [1]
  $ for list in "$(printf '%50000s' | tr ' ' '[')" '{ not json' '[1]'; do
  >   printf '%s' "$list" >wolfet-host.json.wolfet-host-servers.json
  >   wolfet-host join --pick 0 >out 2>&1; echo "$? $(cat out)"
  > done
  2 wolfet-host: the server list wolfet-host.json.wolfet-host-servers.json is empty or damaged (it nests deeper than 16 levels); run 'wolfet-host servers' again once it is moved away
  2 wolfet-host: the server list wolfet-host.json.wolfet-host-servers.json is empty or damaged ([json.exception.parse_error.101] parse error at line 1, column 4: syntax error while parsing object key - invalid literal; last read: '{ no'; expected string literal); run 'wolfet-host servers' again once it is moved away
  2 wolfet-host: the server list wolfet-host.json.wolfet-host-servers.json is empty or damaged; run 'wolfet-host servers' again once it is moved away

The plug-in, named with --plugin, must be there and be one:

  $ wolfet-host --plugin "$PLUGIN" schema | head -n 1
  settings schema of Wolf ET (1902 bytes)
  $ wolfet-host --plugin /no/such.so schema
  wolfet-host: cannot use the plug-in: cannot load plug-in '/no/such.so': /no/such.so: cannot open shared object file: No such file or directory (name another with --plugin PATH)
  [3]
  $ wolfet-host --plugin "$OTHER_LIBRARY" schema
  wolfet-host: cannot use the plug-in: plug-in '*/libstdc++.so.6' lacks the export SDLL_InitCall (name another with --plugin PATH) (glob)
  [3]

Anything but a regular file where the host keeps or reads one, a FIFO, a
folder or a link to a device in turn, is named and refused (exit 2 for
what it would read as settings or a kept list, 1 for what a run would
write), never read (a FIFO would hold the host for good) and left as it
was; the desktop's colour file is the plug-in's, which leaves it alone:

  $ mkdir -p engine/etmain && cp "$FAKE_ET" engine/et.exe && rm -f wolfet-host.json
  $ wolfet-host set engine general enginepath engine/ >/dev/null
  $ wolfet-host set multiplayer general map 'oasis - x' >/dev/null
  $ mkfifo ports
  $ stand-in-servers --server '\hostname\A' >ports & stand=$! && read -r master a <ports
  $ odd() {  # $1 made each kind in turn, then the command after it: its code, its last line
  >   at=$1 && shift
  >   for kind in fifo directory device; do
  >     rm -rf "$at" && case $kind in fifo) mkfifo "$at";; directory) mkdir "$at";;
  >       device) ln -s /dev/null "$at";; esac
  >     FAKE_ET_RUN_MS=0 timeout 5 wolfet-host "$@" >out 2>&1
  >     echo "$? $(tail -n 1 out | sed 's/;.*//')"
  >     stat -L -c %F "$at"
  >   done; rm -rf "$at"
  > }
  $ cp wolfet-host.json settings && odd wolfet-host.json get engine general enginepath
  2 wolfet-host: settings file wolfet-host.json is a FIFO, not a regular file
  fifo
  2 wolfet-host: settings file wolfet-host.json is a folder, not a regular file
  directory
  2 wolfet-host: settings file wolfet-host.json is a device, not a regular file
  character special file
  $ cp settings wolfet-host.json && odd wolfet-host.json.wolfet-host-servers.json join --pick 0
  2 wolfet-host: server list wolfet-host.json.wolfet-host-servers.json is a FIFO, not a regular file
  fifo
  2 wolfet-host: server list wolfet-host.json.wolfet-host-servers.json is a folder, not a regular file
  directory
  2 wolfet-host: server list wolfet-host.json.wolfet-host-servers.json is a device, not a regular file
  character special file
  $ odd wolfet-host.json.wolfet-host-servers.json servers --master 127.0.0.1:$master
  1 wolfet-host: server list wolfet-host.json.wolfet-host-servers.json is a FIFO, not a regular file
  fifo
  1 wolfet-host: server list wolfet-host.json.wolfet-host-servers.json is a folder, not a regular file
  directory
  1 wolfet-host: server list wolfet-host.json.wolfet-host-servers.json is a device, not a regular file
  character special file
  $ odd wolfet-host.json.wolfet-host-colour host
  1 wolfet-host: kept colour wolfet-host.json.wolfet-host-colour is a FIFO, not a regular file
  fifo
  1 wolfet-host: kept colour wolfet-host.json.wolfet-host-colour is a folder, not a regular file
  directory
  1 wolfet-host: kept colour wolfet-host.json.wolfet-host-colour is a device, not a regular file
  character special file
  $ odd engine/etmain/launch.cfg host
  1 wolfet-host: "*/engine/etmain/launch.cfg" is a FIFO: the plug-in would write the launch script into what it names or fail to (glob)
  fifo
  1 wolfet-host: "*/engine/etmain/launch.cfg" is a folder: the plug-in would write the launch script into what it names or fail to (glob)
  directory
  1 wolfet-host: "*/engine/etmain/launch.cfg" is a link: the plug-in would write the launch script into what it names or fail to (glob)
  character special file
  $ touch engine/etmain/launch.cfg && odd engine/etmain/launch.cfg.bak host
  1 wolfet-host: the backup of the launch script, "*/engine/etmain/launch.cfg.bak", is a FIFO: the plug-in could not move the old script aside and would write over it (glob)
  fifo
  1 wolfet-host: the backup of the launch script, "*/engine/etmain/launch.cfg.bak", is a folder: the plug-in could not move the old script aside and would write over it (glob)
  directory
  1 wolfet-host: the backup of the launch script, "*/engine/etmain/launch.cfg.bak", is a link: the plug-in could not move the old script aside and would write over it (glob)
  character special file
  $ SDLL_SYSCOLOR_FILE=colours odd colours host
  0 highlight colour: 0x00D77800 (#0078D7), as before the launch
  fifo
  0 highlight colour: 0x00D77800 (#0078D7), as before the launch
  directory
  0 highlight colour: 0x00D77800 (#0078D7), as before the launch
  character special file

The host's own files beside the user's are named so that no file of the
user's is taken for one: a settings file's *.tmp and its name with
.colour are left alone, and a settings file may itself end in .colour:

  $ echo mine >wolfet-host.json.tmp && echo 0x000000FF >wolfet-host.colour
  $ FAKE_ET_RUN_MS=0 wolfet-host host >/dev/null 2>&1 && wolfet-host set engine general parameters x >/dev/null
  $ cat wolfet-host.json.tmp wolfet-host.colour
  mine
  0x000000FF
  $ wolfet-host --settings prefs.colour set engine general parameters y
  engine general parameters = "y" (saved in prefs.colour)

Runs at once never lose one another's changes: each saves its change into
the file as it is then, under a lock. Three rounds of fifty-six set at once
(seven settings, eight runs each) beside readers: no run fails, and every
setting holds a value one of its runs in that round saved:

  $ kill $stand
  $ for r in 1 2 3; do
  >   for v in 1 2 3 4 5 6 7 8; do mkdir -p d$r$v
  >     for set in "engine general enginepath d$r$v/" "engine general parameters p$r$v" \
  >       "engine servers masteraddress h$r$v.example" "engine servers performquery $((r % 2))" \
  >       "multiplayer general type $r" "multiplayer general allowdownload $((r % 2))" \
  >       "multiplayer general map m$r$v-x"; do
  >       wolfet-host set $set >/dev/null 2>>failed &
  >     done; wolfet-host get engine general parameters >/dev/null 2>>failed &
  >   done; wait
  >   jq -c --arg r $r '[(.engine.general.enginepath | test("/d\($r)[1-8]/$")),
  >     (.engine.general.parameters | test("^p\($r)[1-8]$")), (.engine.servers.masteraddress | test("^h\($r)[1-8][.]example$")),
  >     .engine.servers.performquery, .multiplayer.general.type, .multiplayer.general.allowdownload,
  >     (.multiplayer.general.map | test("^m\($r)[1-8]-x$"))]' wolfet-host.json
  > done; cat failed
  [true,true,true,"1","1","1",true]
  [true,true,true,"0","2","0",true]
  [true,true,true,"1","3","1",true]
