// What both systems' path code shares: one reading of a folder's
// trailing separator.

#include "os.h"

namespace wolfet_host {
namespace os {

bool EndsWithSeparator(const std::string &path) {
  return !path.empty() && (path.back() == '/' || path.back() == '\\');
}

}  // namespace os
}  // namespace wolfet_host
