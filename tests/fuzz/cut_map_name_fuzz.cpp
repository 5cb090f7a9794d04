// CutMapName over arbitrary map texts: the name is the text before its
// first space, or with no space before its first '-', or the whole text.
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "launch/launch.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
  // The host's text is NUL-terminated: it ends at the first zero byte.
  const std::string text(reinterpret_cast<const char *>(data), size);
  const std::string map = text.substr(0, text.find('\0'));
  const std::string name = sdll::CutMapName(map.c_str());

  FUZZ_CHECK(map.compare(0, name.size(), name) == 0);
  FUZZ_CHECK(name.find(' ') == std::string::npos);
  if (map.find(' ') != std::string::npos) {
    FUZZ_CHECK(map[name.size()] == ' ');
  } else if (map.find('-') != std::string::npos) {
    FUZZ_CHECK(map[name.size()] == '-' && name.find('-') == std::string::npos);
  } else {
    FUZZ_CHECK(name == map);
  }
  return 0;
}
