With no engine folder set, nothing can be checked or launched (exit 4):

  $ wolfet-host host
  wolfet-host: the engine folder (engine general enginepath) is not set; set it with: wolfet-host set engine general enginepath FOLDER/
  [4]

verify has the plug-in name its files for the content flags of the last
check (run now when there is none), finds each where the game does (et.exe
in the folder before etmain/, paks in etmain/) and compares size and
SHA-256 with the manifest it records:

  $ mkdir -p engine/etmain && echo 'not the game' >engine/etmain/et.exe
  $ printf abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq >engine/et.exe && chmod +x engine/et.exe
  $ printf '%1000000s' | tr ' ' a >engine/etmain/pak0.pk3
  $ wolfet-host set engine general enginepath engine/ >/dev/null
  $ wolfet-host verify
  note: no check has been run with wolfet-host.json; checking the folder now (SDLL_EngineConfig)
  asking the plug-in which files to verify (SDLL_Verification, content flags 0x4000)
    et.exe: found in the engine folder, /*/check-verify.t/engine/et.exe, 56 bytes, sha256 248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1 (glob)
    pak0.pk3: found in etmain, /*/check-verify.t/engine/etmain/pak0.pk3, 1000000 bytes, sha256 cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0 (glob)
  no manifest yet: 'wolfet-host verify --record' keeps one to compare with
  $ wolfet-host check
  checking the engine folder "/*/check-verify.t/engine/" (SDLL_EngineConfig) (glob)
  verdict: HostSetEngineValid 1 (usable)
  content flags: 0x4000, kept for verify and launch
  SDLL_EngineConfig answered 0
  $ wolfet-host verify --record | tail -n 1
  recorded 2 file(s) as the manifest in wolfet-host.json
  $ wolfet-host verify | tail -n 1
  all files match the manifest

A changed byte and a file moved, then a changed size and a file missing
(exit 5):

  $ printf abcdbcdecdXfdefgefghfghighijhijkijkljklmklmnlmnomnopnopq >engine/et.exe
  $ mv engine/etmain/pak0.pk3 engine/
  $ wolfet-host verify >out
  wolfet-host: verification failed for the engine folder "/*/check-verify.t/engine/" (glob)
  [5]
  $ sed -n '/difference/,$p' out
  2 difference(s) from the manifest:
    /*/check-verify.t/engine/et.exe: same size, sha256 248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1 -> 56f62719e3c4eac9904e26e0b2e07f88a606854349ff14ebe47c858948464708 (glob)
    /*/check-verify.t/engine/etmain/pak0.pk3: moved to /*/check-verify.t/engine/pak0.pk3 (glob)
  $ echo short >engine/et.exe && rm engine/pak0.pk3
  $ wolfet-host verify >out
  wolfet-host: verification failed for the engine folder "/*/check-verify.t/engine/" (glob)
  [5]
  $ sed -n '/difference/,$p' out
  2 difference(s) from the manifest:
    /*/check-verify.t/engine/et.exe: size 56 -> 6 bytes (glob)
    /*/check-verify.t/engine/etmain/pak0.pk3: missing (recorded with 1000000 bytes) (glob)

A folder without its trailing '/' cannot be used, as the plug-in appends
names to it; mended, verify takes the folder as it is now, not the check
before:

  $ wolfet-host set engine general enginepath engine
  engine general enginepath = "/*/check-verify.t/engine" (saved in wolfet-host.json) (glob)
  hint: '/*/check-verify.t/engine' does not end with '/'; the plug-in appends file names to the folder directly, so it will look for '/*/check-verify.t/engineet.exe'. Set '/*/check-verify.t/engine/' instead. (glob)
  $ wolfet-host check >out
  wolfet-host: the engine folder "/*/check-verify.t/engine" is not usable: no et.exe at "/*/check-verify.t/engineet.exe"; it lacks the trailing '/' the plug-in needs (glob)
  [4]
  $ grep -e could -e answered out
    et.exe could not be found in the engine location you specified.
  SDLL_EngineConfig answered 1 (it showed a message)
  $ wolfet-host set engine general enginepath engine/ >/dev/null
  $ echo pak >engine/etmain/pak0.pk3
  $ wolfet-host verify --record | grep -v '^  '
  note: the last check was not of the engine folder set now; checking the folder now (SDLL_EngineConfig)
  asking the plug-in which files to verify (SDLL_Verification, content flags 0x4000)
  recorded 2 file(s) as the manifest in wolfet-host.json
  $ wolfet-host verify | tail -n 1
  all files match the manifest

A folder without et.exe, or without etmain/:

  $ mkdir -p empty/etmain bare && touch bare/et.exe && chmod +x bare/et.exe
  $ wolfet-host set engine general enginepath empty/ >/dev/null && wolfet-host host
  wolfet-host: the engine folder "/*/check-verify.t/empty/" is not usable: no et.exe at "/*/check-verify.t/empty/et.exe" (glob)
  [4]
  $ wolfet-host set engine general enginepath bare/ >/dev/null && wolfet-host host
  wolfet-host: the engine folder "/*/check-verify.t/bare/" has no etmain folder for the launch script ("/*/check-verify.t/bare/etmain") (glob)
  [4]

A folder named beyond ASCII works where Windows-1252 spells it, shown in
UTF-8; one it cannot spell is refused, typed or written by hand:

  $ mkdir -p 'Wolf ÉT €/etmain' 東/etmain && touch 東/et.exe && echo pak >'Wolf ÉT €/etmain/pak0.pk3'
  $ cp "$FAKE_ET" 'Wolf ÉT €/et.exe'
  $ wolfet-host set engine general enginepath 'Wolf ÉT €/' >/dev/null
  $ wolfet-host check | grep verdict
  verdict: HostSetEngineValid 1 (usable)
  $ wolfet-host verify --record | grep et.exe
    et.exe: found in the engine folder, /*/check-verify.t/Wolf \xc3\x89T \xe2\x82\xac/et.exe, * bytes, sha256 * (esc) (glob)
  $ wolfet-host set engine general enginepath 東/
  wolfet-host: engine general enginepath "/*/check-verify.t/\xe6\x9d\xb1/" cannot be reached through the ANSI calls the plug-in makes: their code page, Windows-1252, has no '\xe6\x9d\xb1' (U+6771); move or rename the folder so that its path holds no such character (esc) (glob)
  [2]
  $ echo "{\"engine\": {\"general\": {\"enginepath\": \"$PWD/東/\"}}}" >wolfet-host.json
  $ wolfet-host host
  wolfet-host: the engine folder "/*/check-verify.t/\xe6\x9d\xb1/" cannot be reached through the ANSI calls the plug-in makes: their code page, Windows-1252, has no '\xe6\x9d\xb1' (U+6771); move or rename the folder so that its path holds no such character (esc) (glob)
  [4]
