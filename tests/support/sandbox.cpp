#include "support/sandbox.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

std::string ReadFile(const std::string &path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

std::vector<pid_t> Children() {
  std::vector<pid_t> children;
  for (const auto &entry : fs::directory_iterator("/proc")) {
    const std::string stat = ReadFile(entry.path().string() + "/stat");
    const size_t close = stat.rfind(')');
    if (close == std::string::npos) continue;
    std::istringstream fields(stat.substr(close + 1));
    std::string state;
    long parent = 0;
    if (fields >> state >> parent && parent == getpid())
      children.push_back(static_cast<pid_t>(std::stol(entry.path().filename().string())));
  }
  return children;
}

size_t CountDescriptors() {
  return static_cast<size_t>(std::distance(fs::directory_iterator("/proc/self/fd"), {}));
}

std::string AwaitFile(const std::string &path, std::chrono::seconds limit) {
  const auto deadline = Clock::now() + limit;
  while (!fs::exists(path) && Clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  return ReadFile(path);
}

bool PollUntilEnded(const hostkit::Exports &plugin, std::chrono::seconds limit) {
  const auto deadline = Clock::now() + limit;
  while (plugin.MultiplayerFinished() == 0)
    if (Clock::now() > deadline) return false;
  return true;
}
