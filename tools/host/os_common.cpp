// What both systems' file and path code shares: one way to save a file
// safely, one reading of a folder's trailing separator.
#include <cstdio>
#include <fstream>

#include "os.h"

namespace wolfet_host {
namespace os {

bool EndsWithSeparator(const std::string &path) {
  return !path.empty() && (path.back() == '/' || path.back() == '\\');
}

Saved SaveAtomically(const std::string &path, const std::string &bytes) {
  const std::string temporary = path + ".tmp";
  std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
  out << bytes;
  out.flush();
  out.close();
  const Saved saved = !out                              ? Saved::kNotWritten
                      : !MoveReplacing(temporary, path) ? Saved::kNotReplaced
                                                        : Saved::kYes;
  if (saved != Saved::kYes) std::remove(temporary.c_str());
  return saved;
}

}  // namespace os
}  // namespace wolfet_host
