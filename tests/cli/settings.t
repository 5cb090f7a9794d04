The settings pages the plug-in describes, in part: groups, settings, types,
defaults and lists, texts in UTF-8; a setting the plug-in's file comments
out (the multiplayer page's maprestart) is not shown:

  $ wolfet-host schema | sed -n '1,2p; /parameters:/p; /rzburg/p; /^page multiplayer/,$ { /^      [|]/!p }'
  settings schema of Wolf ET (1902 bytes)
  page engine (8 settings)
      parameters: text, default "", maxlength 0
  page multiplayer (4 settings)
    group general
      type: select
        - 0 = "Objective"
        - 1 = "Stopwatch"
        - 2 = "Last Man Standing"
        - 3 = "Campaign"
      map: map
      allowdownload: boolean, default "0"
      info3: caption
        | (Siwa Oasis - North Africa) and (W\xc3\xbcrzburg Radar -  Central Europe). (esc)

Values the host keeps in ./wolfet-host.json; numbers and booleans written
there by hand read as the plug-in's text:

  $ cat >wolfet-host.json <<'EOF'
  > {"engine": {"servers": {"performquery": false}},
  >  "multiplayer": {"general": {"type": 3, "allowdownload": true}},
  >  "last_check": {"content_flags": 16384}}
  > EOF
  $ wolfet-host get engine servers performquery
  0
  $ wolfet-host get engine servers masteraddress
  etmaster.idsoftware.com
  $ wolfet-host get multiplayer general map
  multiplayer general map is not set and has no default
  $ wolfet-host settings | grep -e '^settings' -e '(set)' -e 'not set' -e parameters -e flags
  settings in wolfet-host.json
      parameters = "" (default)
      performquery = "0" (set)
      type = "3" (set)
      map = "" (not set)
      allowdownload = "1" (set)
  content flags of the last check: 0x4000

A relative engine folder is kept absolute, so the game starts in it from
anywhere:

  $ mkdir -p engine/etmain
  $ wolfet-host set engine general enginepath engine/
  engine general enginepath = "/*/settings.t/engine/" (saved in wolfet-host.json) (glob)
  $ wolfet-host get engine general enginepath
  /*/settings.t/engine/ (glob)

Saving writes through a link to its target and keeps the file's mode:

  $ mkdir kept && echo '{}' >kept/settings.json && chmod 600 kept/settings.json
  $ ln -sf kept/settings.json wolfet-host.json
  $ wolfet-host set multiplayer general allowdownload 1
  multiplayer general allowdownload = "1" (saved in wolfet-host.json)
  $ stat -c '%A %N' wolfet-host.json kept/settings.json
  lrwxrwxrwx 'wolfet-host.json' -> 'kept/settings.json'
  -rw------- 'kept/settings.json'
  $ grep allowdownload kept/settings.json
        "allowdownload": "1"
