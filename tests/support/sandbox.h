// What the file and process tests share: reading a file whole, and the
// census of this process's children and descriptors that proves a launch
// left nothing behind.
#ifndef TESTS_SUPPORT_SANDBOX_H
#define TESTS_SUPPORT_SANDBOX_H

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

#include "host.h"

// The file's bytes; empty when it cannot be read.
std::string ReadFile(const std::string &path);

// Processes whose parent is this test, zombies included.
std::vector<pid_t> Children();

// Descriptors this process holds open.
size_t CountDescriptors();

// The file's bytes once it exists; empty if it has not appeared in time.
std::string AwaitFile(const std::string &path,
                      std::chrono::seconds limit = std::chrono::seconds(10));

// Polls SDLL_MultiplayerFinished as the host does; false if it has not
// answered 1 within the limit.
bool PollUntilEnded(const hostkit::Exports &plugin,
                    std::chrono::seconds limit = std::chrono::seconds(10));

#endif
