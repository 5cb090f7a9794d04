// What both systems' path code shares: one reading of a folder's
// trailing separator, and the names of the host's own side files.

#include <cstdio>
#include <filesystem>
#include <random>

#include "os.h"

namespace wolfet_host {
namespace os {

bool EndsWithSeparator(const std::string &path) {
  return !path.empty() && (path.back() == '/' || path.back() == '\\');
}

std::string SideName(const std::string &target, const char *what) {
  const std::filesystem::path path(target);
  static std::mt19937_64 random(std::random_device{}());
  char tail[20];
  std::snprintf(tail, sizeof tail, "%012llx",
                static_cast<unsigned long long>(random() & 0xFFFFFFFFFFFFull));
  return (path.parent_path() /
          ("." + path.filename().string() + ".wolfet-host-" + what + "-" + tail))
      .string();
}

}  // namespace os
}  // namespace wolfet_host
