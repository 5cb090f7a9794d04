#include "console.h"

#include <cstdio>
#include <iostream>

#include "os.h"

namespace wolfet_host {

std::string SecondsText(double seconds, int decimals) {
  char text[32];
  std::snprintf(text, sizeof text, "%.*f s", decimals, seconds);
  return text;
}

std::string Asked(int requests, double seconds) {
  return "to " + std::to_string(requests) + (requests == 1 ? " request" : " requests") + " in " +
         SecondsText(seconds);
}

StatusLine::StatusLine() : StatusLine(std::cout, os::StdoutIsTerminal(), kQuietSteps) {}

void StatusLine::Show(const std::string &text) {
  if (!live_) return;
  /* The game shares the terminal and greets it as it starts; a line drawn
   * before that would be broken by it. */
  if (step_++ < quiet_steps_) return;
  static const char kSpinner[] = {'|', '/', '-', '\\'};
  out_ << "\r\033[K" << kSpinner[step_ % 4] << ' ' << text << std::flush;
  shown_ = true;
}

void StatusLine::Clear() {
  if (!live_ || !shown_) return;
  out_ << "\r\033[K" << std::flush;
  shown_ = false;
}

}  // namespace wolfet_host
