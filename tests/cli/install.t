Installed, as cmake --install and the Debian package put it, wolfet-host
finds its plug-in and the stand-in game in ../lib/wolfet-host, by its own
place, and names no build folder when they are gone:

  $ cmake --install "$BUILD" --prefix "$PWD/usr" >/dev/null && cd usr
  $ find . -type f | sort | grep -v '/docs/'
  ./bin/wolfet-host
  ./lib/wolfet-host/fake-et
  ./lib/wolfet-host/libwolfet.so
  ./share/doc/wolfet-host/LICENSE
  ./share/doc/wolfet-host/README.md
  ./share/doc/wolfet-host/SECURITY.md
  $ bin/wolfet-host schema | head -n 1
  settings schema of Wolf ET (1902 bytes)
  $ bin/wolfet-host demo --game-ms 200 2>/dev/null | tail -n 1
  demo finished: the plug-in checked the engine folder, named its files, hosted a game, joined a listed public server, saw both games end and put the highlight colour back each time
  $ rm lib/wolfet-host/libwolfet.so && bin/wolfet-host schema
  wolfet-host: cannot use the plug-in: cannot load plug-in '*/usr/bin/libwolfet.so': */usr/bin/libwolfet.so: cannot open shared object file: No such file or directory (name another with --plugin PATH) (glob)
  [3]
  $ cd ..

The Debian package holds the same, under /usr, and names the libraries it
needs (a sanitizer build's its sanitizers' too):

  $ (cd "$BUILD" && cpack -G DEB >/dev/null 2>&1) && dpkg-deb -x "$BUILD"/wolfet-host_*_*.deb deb
  $ dpkg-deb -f "$BUILD"/wolfet-host_*_*.deb Package Depends
  Package: wolfet-host
  Depends: *libc6 (*), libgcc-s1 (*), libssl3 (*), libstdc++6 (*)* (glob)
  $ deb/usr/bin/wolfet-host schema | head -n 1
  settings schema of Wolf ET (1902 bytes)
