What is typed is checked where it is typed: a bad command, option or value
is refused (exit 2) and changes nothing. `try` shows the exit code and the
first line said:

  $ echo '{"engine": {"servers": {"performquery": "0"}}}' >wolfet-host.json
  $ try() { wolfet-host "$@" >out 2>&1; echo "$? $(head -n 1 out)"; }
  $ try
  2 A subcommand is required
  $ try bogus
  2 wolfet-host: 'bogus' is not a command; the commands are: schema, set, get, settings, check, verify, host, join, servers, info, favourites, ui, demo (wolfet-host --help says what each does)
  $ for args in 'host --interval 0' 'servers --master 127.0.0.1:65536' 'servers --max-ping -1' \
  >   'servers --sort bogus' 'servers --game-type bogus' 'join --pick 2 a b' \
  >   'set engine general enginpath /tmp/' 'set multiplayer general type 7'; do try $args; done
  2 --interval: Value 0 not in range 1 to 10000
  2 --master: '127.0.0.1:65536' has a port that is not a number from 1 to 65535
  2 --max-ping: Value -1 not in range [0 - 60000] milliseconds
  2 --sort: 'bogus' is not an order; give ping, players, name or map
  2 --game-type: 'bogus' is not a game type; give one of Single, Co-op, Objective, Stopwatch, Campaign, LMS, Map Vote, or its number
  2 wolfet-host: --pick 2 names no server; give 0 to 1
  2 wolfet-host: unknown setting 'enginpath' in engine general; its settings are: info1, enginepath, info2, parameters
  2 wolfet-host: multiplayer general type takes one of its list keys: 0 (Objective), 1 (Stopwatch), 2 (Last Man Standing), 3 (Campaign)
  $ try servers --master ''
  2 --master: '' names no master server; give HOST[:PORT]
  $ try servers --master '[::1]:27950'
  2 --master: '[::1]:27950' is an IPv6 address; only IPv4 masters can be asked (as the game's own are)
  $ try info '[::1]:27960'
  2 address: '[::1]:27960' is an IPv6 address; only IPv4 servers can be asked (as the game's own are)
  $ try servers --player ''
  2 --player: an empty text would keep every server; give part of a name
  $ try join --pick 0 $(printf '%256s' | tr ' ' x)
  2 wolfet-host: server 0 ("xxxxxxxxxxxxxxxxxxxxxxxx...") is 256 bytes long; a server entry holds at most 255
  $ try join --player 'a
  > b' x
  2 wolfet-host: the player name (--player) holds a control character (such as a line break); the game would read it as a command of its own
  $ try set engine servers masteraddress 'no such host'
  2 wolfet-host: engine servers masteraddress takes HOST[:PORT] (an IPv4 address or a host name, port 1 to 65535) or one of its list keys (main); 'no such host' is not a host name (letters, digits, '-' and '.') nor an IPv4 address
  $ for command in servers 'join x' 'info x'; do
  >   for seconds in nan inf -1; do try $command --timeout $seconds; done
  > done
  2 --timeout: 'nan' is not a number of seconds; give one in [0.1 - 60]
  2 --timeout: 'inf' is not a number of seconds; give one in [0.1 - 60]
  2 --timeout: Value -1 not in range [0.1 - 60] seconds
  2 --timeout: 'nan' is not a number of seconds; give one in [0 - 1e+07]
  2 --timeout: 'inf' is not a number of seconds; give one in [0 - 1e+07]
  2 --timeout: Value -1 not in range [0 - 1e+07] seconds
  2 --timeout: 'nan' is not a number of seconds; give one in [0.1 - 60]
  2 --timeout: 'inf' is not a number of seconds; give one in [0.1 - 60]
  2 --timeout: Value -1 not in range [0.1 - 60] seconds
  $ cat wolfet-host.json
  {"engine": {"servers": {"performquery": "0"}}}

Help, for the program and for each command; a global option may follow
the command:

  $ wolfet-host get --help | grep -o -e '^Global options:' -e '--settings TEXT:FILE' -e '^Exit codes'
  Global options:
  --settings TEXT:FILE
  Exit codes
  $ wolfet-host servers --help | grep -A1 -e --timeout
    --timeout FLOAT:SECONDS in [0.1 - 60]=3
                                Seconds for the whole query
  $ wolfet-host settings --settings other.json | head -n 1
  settings in other.json
