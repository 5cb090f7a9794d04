/*
 * JoinPath: every path the plug-in builds is a fixed text appended to
 * another one, in a buffer of fixed size.
 */
#ifndef SDLL_LAUNCH_PATH_H
#define SDLL_LAUNCH_PATH_H

#include <cstddef>

namespace sdll {

/* MAX_PATH: the ANSI Win32 file calls take no longer path, NUL included,
 * so a longer one could name nothing they would find or open. */
constexpr size_t kPathSize = 260;

typedef char PathBuffer[kPathSize];

/* Writes `head` followed directly by `tail` (no separator put in between,
 * none removed) and a NUL into `path`; a null text joins as the empty one.
 * When the two do not fit, `path` is left empty and the result is false:
 * the caller acts as for a path that names nothing, never on a cut one,
 * which could name another file. */
bool JoinPath(PathBuffer &path, const char *head, const char *tail);

}  // namespace sdll

#endif
