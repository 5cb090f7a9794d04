/*
 * The POSIX stand-in for GetSysColor and SetSysColors.
 *
 * POSIX desktops have no system colours, so the colours live in a small
 * text file that stands for the desktop: whoever shares the file (a host,
 * a test, the stand-in game) sees one set of colours, as every program on
 * a Windows desktop does. One line per element that was ever set:
 *
 *     13 0x00D77800
 *
 * (element number, then the colour as 0x00BBGGRR). The file is found
 * through SDLL_SYSCOLOR_FILE, else $XDG_RUNTIME_DIR/wolfet-syscolors, else
 * $HOME/.wolfet-syscolors, else /tmp/wolfet-syscolors-<uid>. A missing
 * file, or an element it does not list, reads as the Windows default.
 * Changes are written to a temporary file beside it and renamed into
 * place, so a reader in another process sees the old file or the new one,
 * never half of one. Anything but a regular file there (a FIFO, a device)
 * reads as the defaults and is never replaced.
 */
#include <errno.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "platform.h"
#include "posix_syscalls.h"

namespace platform {
namespace {

/* COLOR_* elements run from 0 to 30 (COLOR_MENUBAR). */
constexpr int kElements = 31;

/* One check for every element number: the file's, GetSysColor's and
 * SetSysColors'. */
bool IsElement(long element) { return element >= 0 && element < kElements; }

/* The stock highlight of Windows 7 to 11; other elements have no default
 * the plug-in relies on and read as black until someone sets them. */
uint32_t DefaultColour(int element) { return element == kColourHighlight ? 0x00D77800u : 0u; }

std::string NonEmptyEnv(const char *name) {
  const char *value = posix::Sys().getenv(name);
  return value != nullptr ? value : "";
}

std::string ColourFilePath() {
  std::string path = NonEmptyEnv("SDLL_SYSCOLOR_FILE");
  if (!path.empty()) return path;
  path = NonEmptyEnv("XDG_RUNTIME_DIR");
  if (!path.empty()) return path + "/wolfet-syscolors";
  path = NonEmptyEnv("HOME");
  if (!path.empty()) return path + "/.wolfet-syscolors";
  return "/tmp/wolfet-syscolors-" +
         std::to_string(static_cast<unsigned long>(posix::Sys().getuid()));
}

struct Colours {
  bool set[kElements] = {};
  uint32_t value[kElements] = {};
};

/*
 * ReadColours: lines that do not parse are skipped, so a damaged file
 * degrades to the defaults rather than to garbage. False when the file is
 * there but cannot be read to its end (refused, or a read error): what
 * was read is kept for the answer, but writing it back would drop the
 * rest, so a change is not made.
 */
bool ReadColours(const std::string &path, Colours *colours) {
  /* Only a regular file stands for the desktop: a FIFO would hold the
   * read until someone wrote to it, and a device, replaced by the rename,
   * would be lost (as root that could be /dev/null). Neither is read or
   * changed. */
  struct stat status;
  if (posix::Sys().stat(path.c_str(), &status) == 0 && !S_ISREG(status.st_mode)) return false;
  FILE *file = posix::Sys().fopen(path.c_str(), "r");
  if (file == nullptr) return errno == ENOENT;
  char line[128];
  while (posix::Sys().fgets(line, sizeof line, file) != nullptr) {
    char *end = nullptr;
    const long element = strtol(line, &end, 10);
    if (end == line || !IsElement(element)) continue;
    char *value_end = nullptr;
    /* 64 bits wide even where long is 32: a value past 32 bits must read
     * as too large, not as the saturated 0xFFFFFFFF of a 32-bit strtoul. */
    const unsigned long long value = strtoull(end, &value_end, 0);
    if (value_end == end || value > 0xFFFFFFFFull) continue;
    colours->set[element] = true;
    colours->value[element] = static_cast<uint32_t>(value);
  }
  const bool whole = feof(file) != 0;
  posix::Sys().fclose(file);
  return whole;
}

/* Every line, then the close, must reach the temporary whole before it
 * replaces the file. */
bool WriteColours(const std::string &path, const Colours &colours) {
  const std::string temporary =
      path + ".tmp." + std::to_string(static_cast<long>(posix::Sys().getpid()));
  FILE *file = posix::Sys().fopen(temporary.c_str(), "w");
  if (file == nullptr) return false;
  bool ok = true;
  for (int element = 0; element < kElements; ++element) {
    if (!colours.set[element]) continue;
    char line[32];
    const int length = snprintf(line, sizeof line, "%d 0x%08lX\n", element,
                                static_cast<unsigned long>(colours.value[element]));
    const size_t bytes = static_cast<size_t>(length);
    ok = posix::Sys().fwrite(line, 1, bytes, file) == bytes && ok;
  }
  ok = posix::Sys().fclose(file) == 0 && ok;
  if (ok && posix::Sys().rename(temporary.c_str(), path.c_str()) == 0) return true;
  posix::Sys().unlink(temporary.c_str());
  return false;
}

}  // namespace

uint32_t GetSystemColour(int element) {
  if (!IsElement(element)) return 0;
  Colours colours;
  ReadColours(ColourFilePath(), &colours);
  return colours.set[element] ? colours.value[element] : DefaultColour(element);
}

/* SetSystemColour: an element outside the table changes nothing, as
 * SetSysColors refuses it; a file that cannot be read whole, or a failed
 * write, leaves the old file as it was. */
void SetSystemColour(int element, uint32_t colour) {
  if (!IsElement(element)) return;
  const std::string path = ColourFilePath();
  Colours colours;
  if (!ReadColours(path, &colours)) return;
  colours.set[element] = true;
  colours.value[element] = colour;
  WriteColours(path, colours);
}

}  // namespace platform
