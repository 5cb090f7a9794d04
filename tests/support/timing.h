// How long the suites wait, in one place: a test that waits for something
// that must happen gives up only after kPatience, looking every kStep; a
// query that waits for a silent peer is held to kTimeout and kAttempts, and
// may overrun its deadline by kSlack.
#ifndef TESTS_SUPPORT_TIMING_H
#define TESTS_SUPPORT_TIMING_H

#include <chrono>

namespace timing {

constexpr std::chrono::seconds kPatience{20};
constexpr std::chrono::milliseconds kStep{1};
constexpr double kTimeout = 0.5;  // seconds of a query that waits for a silent peer
constexpr double kSlack = 1.0;    // seconds a run may take past its deadline
constexpr int kAttempts = 3;      // requests to a silent peer, the first included

}  // namespace timing

#endif
