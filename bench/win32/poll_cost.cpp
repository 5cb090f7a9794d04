// What the host's poll really costs under this loader: SDLL_MultiplayerFinished
// while the game runs, beside a bare WaitForSingleObject(h, 1) on an event
// that is never set, both timed over the same number of calls in one run.
#include <windows.h>

#include <cstdio>
#include <string>

#include "host.h"

namespace {

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  LARGE_INTEGER frequency;
  QueryPerformanceFrequency(&frequency);
  return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) /
         static_cast<double>(frequency.QuadPart);
}

std::string Native(std::string path) {
  if (!path.empty() && path[0] == '/') path = "Z:" + path;
  for (char &c : path)
    if (c == '/') c = '\\';
  return path;
}

}  // namespace

int main() {
  constexpr int kCalls = 200;
  char temp[MAX_PATH];
  GetTempPathA(sizeof temp, temp);
  const std::string engine =
      std::string(temp) + "wolfet-poll-" + std::to_string(GetCurrentProcessId()) + "\\";
  if (!CreateDirectoryA(engine.c_str(), nullptr) ||
      !CreateDirectoryA((engine + "etmain").c_str(), nullptr) ||
      !CopyFileA(Native(SDLL_FAKE_GAME_PATH).c_str(), (engine + "et.exe").c_str(), FALSE)) {
    fprintf(stderr, "cannot make the engine folder %s\n", engine.c_str());
    return 1;
  }
  hostkit::Host host;
  std::string error;
  if (!host.Load(SDLL_PLUGIN_PATH, &error) || host.Start() != 0) {
    fprintf(stderr, "cannot start the plug-in: %s\n", error.c_str());
    return 1;
  }
  host.settings().SetUtf8(hostkit::Page::kEngine, "general", "enginepath", engine);
  host.settings().SetUtf8(hostkit::Page::kMultiplayer, "general", "map", "oasis");
  SetEnvironmentVariableA("FAKE_ET_RUN_MS", "-1");
  SetEnvironmentVariableA("FAKE_ET_RECORD", (engine + "record").c_str());
  host.plugin().LaunchMultiplayer(0x4000, 3, 3, 0, nullptr, "Poll");

  LARGE_INTEGER start, middle, end;
  int running = 0;
  QueryPerformanceCounter(&start);
  for (int i = 0; i < kCalls; ++i) running += host.plugin().MultiplayerFinished() == 0;
  QueryPerformanceCounter(&middle);
  HANDLE never = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  for (int i = 0; i < kCalls; ++i) WaitForSingleObject(never, 1);
  QueryPerformanceCounter(&end);
  CloseHandle(never);

  HANDLE quit = CreateFileA((engine + "quit").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  if (quit != INVALID_HANDLE_VALUE) CloseHandle(quit);
  int ended = 0;
  for (int i = 0; i < 2000 && ended == 0; ++i) ended = host.plugin().MultiplayerFinished();

  const auto wine_version = reinterpret_cast<const char *(*)()>(
      reinterpret_cast<void *>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version")));
  printf("loader: %s\n",
         wine_version != nullptr ? (std::string("Wine ") + wine_version()).c_str() : "Windows");
  printf("SDLL_MultiplayerFinished, game running: %.2f ms per call (%d of %d answered 0)\n",
         Milliseconds(start, middle) / kCalls, running, kCalls);
  printf("bare WaitForSingleObject(h, 1):         %.2f ms per call\n",
         Milliseconds(middle, end) / kCalls);
  return running == kCalls && ended == 1 ? 0 : 1;
}
