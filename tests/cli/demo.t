The demo runs the whole flow with the stand-in game in a sandbox of its
own, where it keeps its settings and the desktop's colours too:

  $ SDLL_SYSCOLOR_FILE=colours wolfet-host demo --game "$FAKE_ET" --game-ms 400 >demo.out
  asking the master server 127.0.0.1:* (timeout 1 s) (glob)
  $ grep -e '^page' -e 'verdict' -e '^recorded' -e 'all files match' -e 'server name:' \
  >   -e 'map oasis' -e 'game ended' -e 'as before' -e 'demo finished' demo.out
  page engine (8 settings)
  page multiplayer (4 settings)
  verdict: HostSetEngineValid 1 (usable)
  recorded 2 file(s) as the manifest in /*/wolfet-host.json (glob)
  all files match the manifest
    map oasis
  the game ended after \d\.\d s \(\d+ polls\) (re)
  highlight colour: 0x00D77800 (#0078D7), as before the launch
    server name: ^1Orvanta Server
  the game ended after \d\.\d s \(\d+ polls\) (re)
  highlight colour: 0x00D77800 (#0078D7), as before the launch
  demo finished: the plug-in checked the engine folder, named its files, hosted a game, joined a listed public server, saw both games end and put the highlight colour back each time
  $ ls
  demo.out

Without its game it starts nothing (exit 1):

  $ wolfet-host demo --game-ms 600000 --game /no/such
  wolfet-host: the stand-in game "/no/such" is not there; build the fake-et target or name it with --game PATH
  [1]
