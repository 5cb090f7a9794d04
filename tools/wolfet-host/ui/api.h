// What the graphical host's pages ask of the host: the same libraries the
// commands call (the settings file, the engine check and verification, the
// server listing and favourites, the launch), as JSON. A server listing
// and a game run on threads of their own; the pages follow them by asking
// again. Failures come as the command line gives them: its message and
// exit code.
#ifndef TOOLS_WOLFET_HOST_UI_API_H
#define TOOLS_WOLFET_HOST_UI_API_H

#include <memory>

#include "program.h"
#include "ui/http_server.h"

namespace wolfet_host {
namespace ui {

class Api {
 public:
  explicit Api(Context &context);
  /* A game still waited for is let go, its colour put back as a stopped
   * wait puts it back; a listing is waited for. */
  ~Api();
  Api(const Api &) = delete;
  Api &operator=(const Api &) = delete;

  Response Handle(const Request &request);

  /* Ends a game's wait (the server stops on `by`, such as Ctrl-C). */
  void Stop(const char *by);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace ui
}  // namespace wolfet_host

#endif
