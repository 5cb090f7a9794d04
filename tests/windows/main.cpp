// The Windows suite's entry point. With --binary-fmode the process's C
// runtime opens files in binary mode by default (_fmode), as a host or any
// other module of the process may arrange before the plug-in is loaded;
// the plug-in's launch script must still come out with CR LF lines.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdio.h>
#include <stdlib.h>
#include <windows.h>

#include <cstring>

namespace {

// True once a stream opened with plain "w" in this process writes a bare LF.
bool DefaultModeIsBinary() {
  char folder[MAX_PATH], path[MAX_PATH];
  if (GetTempPathA(sizeof folder, folder) == 0 || GetTempFileNameA(folder, "fm", 0, path) == 0)
    return false;
  FILE *file = fopen(path, "w");
  if (file == nullptr) return false;
  fputs("\n", file);
  fclose(file);
  WIN32_FILE_ATTRIBUTE_DATA data;
  const bool binary =
      GetFileAttributesExA(path, GetFileExInfoStandard, &data) != 0 && data.nFileSizeLow == 1;
  DeleteFileA(path);
  return binary;
}

}  // namespace

int main(int argc, char **argv) {
  testing::InitGoogleTest(&argc, argv);
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--binary-fmode") != 0) continue;
    _fmode = _O_BINARY;
    if (!DefaultModeIsBinary()) {
      fprintf(stderr, "cannot make binary the process's default file mode\n");
      return 2;
    }
    printf("the process's default file mode is binary\n");
  }
  return RUN_ALL_TESTS();
}
