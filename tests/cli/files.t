A settings file the host cannot take is refused (exit 2), naming what is
wrong, and left as it was, with no temporary file beside it:

  $ refused() {  # the settings file $1 and the command after it: the exit code and what is said
  >   printf '%s' "$1" >wolfet-host.json && cp wolfet-host.json before && shift
  >   wolfet-host "$@" >out 2>&1; echo "$? $(cat out)"
  >   ls -d wolfet-host.json?* 2>/dev/null
  >   cmp -s before wolfet-host.json || echo "wolfet-host.json was changed"
  > }
  $ refused '{ not json' settings
  2 wolfet-host: settings file wolfet-host.json is not a JSON object ([json.exception.parse_error.101] parse error at line 1, column 4: syntax error while parsing object key - invalid literal; last read: '{ no'; expected string literal); it is left as it is: mend it or name another with --settings
  $ refused '[1]' get engine general enginepath
  2 wolfet-host: settings file wolfet-host.json is not a JSON object but array; it is left as it is: mend it or name another with --settings
  $ refused "$(printf '%50000s' | tr ' ' '[')" set multiplayer general allowdownload 1
  2 wolfet-host: settings file wolfet-host.json is not a JSON object (it nests deeper than 16 levels); it is left as it is: mend it or name another with --settings
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
  $ refused '{"engine": {"servers": {"masteraddress": "::1"}}}' servers
  2 wolfet-host: the master server "::1" of engine servers masteraddress (in wolfet-host.json) is an IPv6 address; only IPv4 masters can be asked (as the game's own are); set another with 'wolfet-host set engine servers masteraddress HOST[:PORT]', or give --master HOST[:PORT]

A file that cannot be read is refused, not taken for an empty one (as root,
the host runs as nobody, whom the mode binds):

  $ user() { if [ "$(id -u)" = 0 ]; then setpriv --reuid=65534 --regid=65534 --clear-groups "$@"; else "$@"; fi; }
  $ chmod 711 "$CRAMTMP"
  $ echo '{"multiplayer": {"general": {"map": "oasis - Siwa Oasis"}}}' >wolfet-host.json && chmod 0 wolfet-host.json
  $ user wolfet-host set multiplayer general allowdownload 1
  wolfet-host: cannot read settings file wolfet-host.json (Permission denied); it is left as it is: make it readable or name another with --settings
  [2]
  $ stat -c %a wolfet-host.json
  0
  $ chmod 644 wolfet-host.json && cat wolfet-host.json
  {"multiplayer": {"general": {"map": "oasis - Siwa Oasis"}}}

A kept server list that cannot be read, or read back, is refused by join
--pick:

  $ echo '{"servers": [{"address": "127.0.0.1:27960"}]}' >wolfet-host.servers.json && chmod 0 wolfet-host.servers.json
  $ user wolfet-host join --pick 0
  wolfet-host: cannot read the server list wolfet-host.servers.json (Permission denied); make it readable, or name servers
  [1]
  $ for list in "$(printf '%50000s' | tr ' ' '[')" '{ not json' '[1]'; do
  >   printf '%s' "$list" >wolfet-host.servers.json
  >   wolfet-host join --pick 0 >out 2>&1; echo "$? $(cat out)"
  > done
  2 wolfet-host: the server list wolfet-host.servers.json is empty or damaged (it nests deeper than 16 levels); run 'wolfet-host servers' again once it is moved away
  2 wolfet-host: the server list wolfet-host.servers.json is empty or damaged ([json.exception.parse_error.101] parse error at line 1, column 4: syntax error while parsing object key - invalid literal; last read: '{ no'; expected string literal); run 'wolfet-host servers' again once it is moved away
  2 wolfet-host: the server list wolfet-host.servers.json is empty or damaged; run 'wolfet-host servers' again once it is moved away

The plug-in, named with --plugin, must be there and be one:

  $ wolfet-host --plugin "$PLUGIN" schema | head -n 1
  settings schema of Wolf ET (1902 bytes)
  $ wolfet-host --plugin /no/such.so schema
  wolfet-host: cannot use the plug-in: cannot load plug-in '/no/such.so': /no/such.so: cannot open shared object file: No such file or directory (name another with --plugin PATH)
  [3]
  $ wolfet-host --plugin "$OTHER_LIBRARY" schema
  wolfet-host: cannot use the plug-in: plug-in '*/libstdc++.so.6' lacks the export SDLL_InitCall (name another with --plugin PATH) (glob)
  [3]
