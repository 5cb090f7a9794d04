// The graphical host's HTTP server: loopback only, one random token per
// run that every request must carry, a Host header that names this very
// server (no DNS rebinding), an Origin of its own on every request that
// changes anything, and a Content-Security-Policy that lets the pages run
// their own scripts alone. No CORS: no other page may read an answer.
#ifndef TOOLS_WOLFET_HOST_UI_HTTP_SERVER_H
#define TOOLS_WOLFET_HOST_UI_HTTP_SERVER_H

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace wolfet_host {
namespace ui {

struct Request {
  std::string method; /* GET or POST */
  std::string path;   /* without the query */
  std::string body;
};

struct Response {
  int status = 200;
  std::string content_type = "application/json";
  std::string body;
};

/* What answers a request that passed every check. Runs on the server's
 * thread, one request at a time. */
using Handler = std::function<Response(const Request &)>;

class HttpServer {
 public:
  /* Binds 127.0.0.1:`port` (0: a free port the system picks). Throws
   * Error (kFile) when the port cannot be had. */
  explicit HttpServer(uint16_t port);
  ~HttpServer();

  uint16_t port() const;
  /* http://127.0.0.1:PORT/?token=TOKEN: the one address that opens it. */
  std::string Url() const;

  /* Serves until `stop` answers something other than null, which it is
   * asked every tenth of a second. */
  void Run(const Handler &handler, const std::function<const char *()> &stop);

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace ui
}  // namespace wolfet_host

#endif
