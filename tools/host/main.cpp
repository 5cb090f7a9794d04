// The smallest host flow: load the plug-in, hand it every service, start it
// and show what it answered.
#include <cstdio>
#include <string>

#include "host.h"

int main(int argc, char **argv) {
  std::string path = argc > 1 ? argv[1] : std::string("./") + SDLL_DEFAULT_PLUGIN;
  hostkit::Host host;
  std::string error;
  if (!host.Load(path, &error)) {
    std::fprintf(stderr, "wolfet-host: %s\n", error.c_str());
    return 3;
  }
  int32_t result = host.Start();
  std::printf("plug-in: %s\nengine code: %u\nSDLL_Init: %d\n", host.display_name().c_str(),
              static_cast<unsigned>(host.engine_code()), static_cast<int>(result));
  return 0;
}
