// Scratch folders and files for every suite and the fuzz targets, which
// do without GoogleTest.
#ifndef TESTS_SUPPORT_FILES_H
#define TESTS_SUPPORT_FILES_H

#include <stdlib.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "support/timing.h"

// Asks `done` every step until it answers true (nonzero); false if not within the patience.
template <typename Done>
bool Until(Done done) {
  const auto deadline = std::chrono::steady_clock::now() + timing::kPatience;
  for (; !done(); std::this_thread::sleep_for(timing::kStep))
    if (std::chrono::steady_clock::now() > deadline) return false;
  return true;
}

// The file's bytes; empty when it cannot be read.
inline std::string ReadFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

inline void WriteFile(const std::string &path, const std::string &bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

// The values of the stand-in game's report lines "key: value", in order.
inline std::vector<std::string> Reported(const std::string &record, const std::string &key) {
  std::vector<std::string> values;
  std::istringstream lines(record);
  for (std::string line; std::getline(lines, line);)
    if (line.rfind(key + ": ", 0) == 0) values.push_back(line.substr(key.size() + 2));
  return values;
}

// A path as the system spells it: under Wine, which maps the Linux root to
// Z:, with backslashes; elsewhere as given.
inline std::string Native(std::string path) {
#ifdef _WIN32
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  std::replace(path.begin(), path.end(), '/', '\\');
#endif
  return path;
}

#ifdef _WIN32
// A fresh folder in the temporary folder, without a trailing separator; empty if none.
// (Wine hands out the same few process ids again and again: the name is drawn.)
inline std::string MakeScratch() {
  std::random_device draw;
  for (int tries = 0; tries < 100; ++tries) {
    const auto folder = std::filesystem::temp_directory_path() / ("sdll-" + std::to_string(draw()));
    std::error_code failed;
    if (std::filesystem::create_directory(folder, failed)) return folder.string();
  }
  return std::string();
}
#else
// Descriptors this process holds open.
inline size_t CountDescriptors() {
  namespace fs = std::filesystem;
  return static_cast<size_t>(std::distance(fs::directory_iterator("/proc/self/fd"), {}));
}

// A fresh folder under $TMPDIR (or /tmp), without a trailing '/'; empty if none.
inline std::string MakeScratch() {
  const char *tmp = getenv("TMPDIR");
  std::string root = std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/sdll-XXXXXX";
  return mkdtemp(&root[0]) != nullptr ? root : std::string();
}
#endif

// root/name/ with etmain/ and, as et.exe, a copy of `game` (or, when that
// is empty, a file that is no program); returned with its '/'.
inline std::string MakeEngine(const std::string &root, const std::string &name,
                              const std::string &game) {
  const std::string folder = root + "/" + name + "/";
  std::filesystem::create_directories(folder + "etmain");
  if (game.empty())
    WriteFile(folder + "et.exe", "not a program");
  else
    std::filesystem::copy_file(game, folder + "et.exe");
  return folder;
}

// A packed server list: each entry a 16-bit little-endian length, then its bytes.
inline std::vector<unsigned char> PackList(
    const std::vector<std::pair<int16_t, std::string>> &entries) {
  std::vector<unsigned char> list;
  for (const auto &[length, text] : entries) {
    list.push_back(static_cast<unsigned char>(length & 0xFF));
    list.push_back(static_cast<unsigned char>((length >> 8) & 0xFF));
    list.insert(list.end(), text.begin(), text.end());
  }
  return list;
}

#endif
