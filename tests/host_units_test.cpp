// What of the command-line host the transcripts (tests/cli) cannot see:
// the status line's redraws, which a terminal only shows as they land.
#include <gtest/gtest.h>

#include <sstream>

#include "tools/wolfet-host/console.h"

namespace {

TEST(StatusLine, DrawsFromItsFirstStepWithASpinnerOfFourTurnsAndClearsOnce) {
  constexpr int kTurns = 4;
  std::ostringstream out;
  {
    wolfet_host::StatusLine line(out, true);
    for (int step = 0; step <= kTurns; ++step) line.Show("t");
  }
  const std::string erase = "\r\033[K";
  EXPECT_EQ(out.str(),
            erase + "/ t" + erase + "- t" + erase + "\\ t" + erase + "| t" + erase + "/ t" + erase)
      << "each step redraws the line a turn on, the fifth back at the first, and it is "
         "cleared when it goes";
}

}  // namespace
