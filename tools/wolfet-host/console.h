// A status line that redraws in place on a terminal and stays silent
// elsewhere, so piped output is plain lines with no control codes.
#ifndef TOOLS_HOST_CONSOLE_H
#define TOOLS_HOST_CONSOLE_H

#include <ostream>
#include <string>

namespace wolfet_host {

/* "1.5 s": seconds as every message of the host gives them. */
std::string SecondsText(double seconds, int decimals = 1);

/* "to 3 requests in 1.5 s": what a silent peer was asked, as it was. */
std::string Asked(int requests, double seconds);

class StatusLine {
 public:
  /* On standard output, silent for the first steps, as the game's wait
   * shows. */
  StatusLine();
  /* On `out` when `live`, from the first step on. */
  StatusLine(std::ostream &out, bool live, unsigned quiet_steps = 0)
      : out_(out), live_(live), quiet_steps_(quiet_steps) {}
  ~StatusLine() { Clear(); }
  StatusLine(const StatusLine &) = delete;
  StatusLine &operator=(const StatusLine &) = delete;

  bool live() const { return live_; }
  /* Shows `text` after a spinner that turns one step per call. */
  void Show(const std::string &text);
  /* Erases the line so the next output starts clean. */
  void Clear();

 private:
  static constexpr unsigned kQuietSteps = 5;
  std::ostream &out_;
  bool live_;
  unsigned quiet_steps_;
  bool shown_ = false;
  unsigned step_ = 0;
};

}  // namespace wolfet_host

#endif
