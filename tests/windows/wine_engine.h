// What the Windows suites share: paths as Windows sees them under Wine, and
// a fresh engine folder in the temporary folder.
#ifndef TESTS_WINDOWS_WINE_ENGINE_H
#define TESTS_WINDOWS_WINE_ENGINE_H

#include <windows.h>

#include <algorithm>
#include <string>

#include "support/files.h"

// Wine maps the Linux root to Z:.
inline std::string Native(std::string path) {
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

// A fresh engine folder (with its trailing '\'), `mark` in its name; et.exe
// a copy of `game` (empty: a file that is no program); empty when there is
// no temporary folder.
inline std::string MakeTempEngine(const std::string &game, const std::string &mark = "") {
  char temp[MAX_PATH];
  const DWORD length = GetTempPathA(sizeof temp, temp);
  if (length == 0 || length >= sizeof temp) return std::string();
  // Wine hands out the same few process ids again and again, and one
  // process makes several folders within a millisecond.
  static int made = 0;
  const std::string name = "wolfet-wine-" + mark + std::to_string(GetCurrentProcessId()) + "-" +
                           std::to_string(GetTickCount64()) + "-" + std::to_string(++made);
  return Native(MakeEngine(std::string(temp, length - 1), name, game));
}

#endif
