// The graphical host's page files, built into the program (the build makes
// their source from ui/assets/ with cmake/EmbedAssets.cmake).
#ifndef TOOLS_WOLFET_HOST_UI_ASSETS_H
#define TOOLS_WOLFET_HOST_UI_ASSETS_H

#include <cstddef>

namespace wolfet_host {
namespace ui {

struct Asset {
  const char *path; /* "/app.js" */
  const char *content_type;
  const unsigned char *bytes;
  size_t size;
};

extern const Asset kAssets[];
extern const size_t kAssetCount;

}  // namespace ui
}  // namespace wolfet_host

#endif
