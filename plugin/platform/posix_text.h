/*
 * The POSIX stand-in's one code page: the plug-in's ANSI texts are
 * Windows-1252, the file system's names are UTF-8. Every path the
 * stand-in hands to the system and every name it reads back crosses here,
 * as on Windows every ANSI call converts with the ANSI code page.
 */
#ifndef SDLL_PLATFORM_POSIX_TEXT_H
#define SDLL_PLATFORM_POSIX_TEXT_H

#include <string>

namespace platform {
namespace posix {

/* Windows-1252 bytes as UTF-8; every byte has a character, so nothing is
 * lost. */
std::string AnsiToUtf8(const std::string &ansi);

/* A name the system gave back, in Windows-1252. A character the code page
 * cannot spell, and a byte that starts no UTF-8 sequence, becomes '?'. */
std::string Utf8ToAnsi(const char *utf8);

}  // namespace posix
}  // namespace platform

#endif
