What is typed is checked where it is typed: a bad command, option or value
is a bad argument (exit 2) and changes nothing.

  $ echo '{"engine": {"servers": {"performquery": "0"}}}' >wolfet-host.json
  $ wolfet-host
  A subcommand is required
  Run with --help for more information.
  [2]
  $ wolfet-host bogus
  wolfet-host: 'bogus' is not a command; the commands are: schema, set, get, settings, check, verify, host, join, servers, info, demo (wolfet-host --help says what each does)
  [2]
  $ wolfet-host host --interval 0
  --interval: Value 0 not in range 1 to 10000
  Run with --help for more information.
  [2]
  $ wolfet-host servers --master 127.0.0.1:65536
  --master: '127.0.0.1:65536' has a port that is not a number from 1 to 65535
  Run with --help for more information.
  [2]
  $ wolfet-host servers --master ''
  --master: '' names no master server; give HOST[:PORT]
  Run with --help for more information.
  [2]
  $ wolfet-host servers --master '[::1]:27950'
  --master: '[::1]:27950' is an IPv6 address; only IPv4 masters can be asked (as the game's own are)
  Run with --help for more information.
  [2]
  $ wolfet-host info '[::1]:27960'
  address: '[::1]:27960' is an IPv6 address; only IPv4 servers can be asked (as the game's own are)
  Run with --help for more information.
  [2]
  $ wolfet-host servers --max-ping -1
  --max-ping: Value -1 not in range [0 - 60000] milliseconds
  Run with --help for more information.
  [2]
  $ wolfet-host servers --sort bogus
  --sort: 'bogus' is not an order; give ping, players, name or map
  Run with --help for more information.
  [2]
  $ wolfet-host servers --game-type bogus
  --game-type: 'bogus' is not a game type; give one of Single, Co-op, Objective, Stopwatch, Campaign, LMS, Map Vote, or its number
  Run with --help for more information.
  [2]
  $ wolfet-host servers --player ''
  --player: an empty text names no player
  Run with --help for more information.
  [2]
  $ wolfet-host join --pick 2 a b
  wolfet-host: --pick 2 names no server; give 0 to 1
  [2]
  $ wolfet-host join --pick 0 $(printf '%256s' | tr ' ' x)
  wolfet-host: server 0 ("xxxxxxxxxxxxxxxxxxxxxxxx...") is 256 bytes long; a server entry holds at most 255
  [2]
  $ wolfet-host join --player 'a
  > b' x
  wolfet-host: the player name (--player) holds a control character (such as a line break); the game would read it as a command of its own
  [2]
  $ wolfet-host set engine general enginpath /tmp/
  wolfet-host: unknown setting 'enginpath' in engine general; its settings are: info1, enginepath, info2, parameters
  [2]
  $ wolfet-host set multiplayer general type 7
  wolfet-host: multiplayer general type takes one of its list keys: 0 (Objective), 1 (Stopwatch), 2 (Last Man Standing), 3 (Campaign)
  [2]
  $ wolfet-host set engine servers masteraddress 'no such host:99999'
  wolfet-host: engine servers masteraddress takes HOST[:PORT] (an IPv4 address or a host name, port 1 to 65535) or one of its list keys (main); 'no such host:99999' has a port that is not a number from 1 to 65535
  [2]
  $ wolfet-host set engine servers masteraddress 'no such host'
  wolfet-host: engine servers masteraddress takes HOST[:PORT] (an IPv4 address or a host name, port 1 to 65535) or one of its list keys (main); 'no such host' is not a host name (letters, digits, '-' and '.') nor an IPv4 address
  [2]

A time-out is a number of seconds in its range:

  $ for command in servers host 'join x' 'info x'; do
  >   for seconds in nan inf -1; do
  >     wolfet-host $command --timeout $seconds 2>err; echo "$? $(head -n1 err)"
  >   done
  > done
  2 --timeout: 'nan' is not a number of seconds; give one in [0.1 - 60]
  2 --timeout: 'inf' is not a number of seconds; give one in [0.1 - 60]
  2 --timeout: Value -1 not in range [0.1 - 60] seconds
  2 --timeout: 'nan' is not a number of seconds; give one in [0 - 1e+07]
  2 --timeout: 'inf' is not a number of seconds; give one in [0 - 1e+07]
  2 --timeout: Value -1 not in range [0 - 1e+07] seconds
  2 --timeout: 'nan' is not a number of seconds; give one in [0 - 1e+07]
  2 --timeout: 'inf' is not a number of seconds; give one in [0 - 1e+07]
  2 --timeout: Value -1 not in range [0 - 1e+07] seconds
  2 --timeout: 'nan' is not a number of seconds; give one in [0.1 - 60]
  2 --timeout: 'inf' is not a number of seconds; give one in [0.1 - 60]
  2 --timeout: Value -1 not in range [0.1 - 60] seconds

The settings file is as it was:

  $ cat wolfet-host.json
  {"engine": {"servers": {"performquery": "0"}}}

Help, for the program and for each command:

  $ wolfet-host get --help
  Show one value (set, or else its default)
  Usage: wolfet-host get [OPTIONS] page group setting
  
  Positionals:
    page TEXT REQUIRED          engine or multiplayer
    group TEXT REQUIRED         The group on that page
    setting TEXT REQUIRED       The setting in that group
  
  Options:
    -h,--help                   Print this help message and exit
  
  
  Global options:
    --plugin TEXT=*/libwolfet.so (glob)
                                The plug-in library to load
    --settings TEXT=wolfet-host.json
                                The host's settings file (JSON)
  
  Exit codes: 0 success; 1 a file could not be read or written, or the game did not end in time; 2 bad argument, setting name or value, or an unreadable settings file; 3 the plug-in cannot be loaded, lacks an export or fails a call; 4 the engine folder is not set or not usable; 5 verification found a missing or changed file; 6 the master server could not be found or sent no server list in time, or the server info asks could not be found or did not answer.
  $ wolfet-host servers --help | grep -A1 -e --timeout
    --timeout FLOAT:SECONDS in [0.1 - 60]=3
                                Seconds for the whole query

The settings file may be named before or after the command:

  $ wolfet-host settings --settings other.json | head -n1
  settings in other.json
