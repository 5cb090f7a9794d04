#include "ui/http_server.h"

#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <chrono>

#include "error.h"
#include "os.h"

namespace wolfet_host {
namespace ui {
namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;

constexpr char kCookie[] = "wolfet-host-token";
/* The pages' own files and scripts, nothing else: no inline script, no
 * other origin, no frames. */
constexpr char kPolicy[] =
    "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self' data:; "
    "connect-src 'self'; base-uri 'none'; form-action 'self'; frame-ancestors 'none'";
/* More than any request of the pages. */
constexpr size_t kMaxBody = 64 * 1024;
constexpr std::chrono::seconds kIdle{30};

/* Compares without stopping at the first difference, so the time taken
 * says nothing of how much of a token was right. */
bool SameSecret(const std::string &a, const std::string &b) {
  if (a.size() != b.size()) return false;
  unsigned char diff = 0;
  for (size_t i = 0; i < a.size(); ++i) diff |= static_cast<unsigned char>(a[i] ^ b[i]);
  return diff == 0;
}

std::string QueryValue(beast::string_view target, const std::string &key) {
  const size_t query = target.find('?');
  if (query == beast::string_view::npos) return "";
  const std::string text(target.substr(query + 1));
  size_t start = 0;
  while (start <= text.size()) {
    const size_t end = std::min(text.find('&', start), text.size());
    const std::string pair = text.substr(start, end - start);
    if (pair.compare(0, key.size() + 1, key + "=") == 0) return pair.substr(key.size() + 1);
    start = end + 1;
  }
  return "";
}

std::string CookieValue(beast::string_view header, const std::string &key) {
  const std::string text(header);
  size_t start = 0;
  while (start < text.size()) {
    while (start < text.size() && text[start] == ' ') ++start;
    const size_t end = std::min(text.find(';', start), text.size());
    const std::string pair = text.substr(start, end - start);
    if (pair.compare(0, key.size() + 1, key + "=") == 0) return pair.substr(key.size() + 1);
    start = end + 1;
  }
  return "";
}

}  // namespace

struct HttpServer::Impl {
  asio::io_context io;
  tcp::acceptor acceptor{io};
  std::string token;
  uint16_t port = 0;
  const Handler *handler = nullptr;

  bool OurHost(beast::string_view host) const {
    const std::string suffix = ":" + std::to_string(port);
    return host == "127.0.0.1" + suffix || host == "localhost" + suffix;
  }

  http::response<http::string_body> Answer(const http::request<http::string_body> &req) {
    http::response<http::string_body> res;
    res.version(req.version());
    res.set("Content-Security-Policy", kPolicy);
    res.set("X-Content-Type-Options", "nosniff");
    res.set("X-Frame-Options", "DENY");
    res.set("Referrer-Policy", "no-referrer");
    res.set(http::field::cache_control, "no-store");
    res.keep_alive(false);
    const auto refuse = [&res](http::status status, const std::string &why) {
      res.result(status);
      res.set(http::field::content_type, "text/plain; charset=utf-8");
      res.body() = why + "\n";
      res.prepare_payload();
      return res;
    };
    /* DNS rebinding: another site's name that resolves here. */
    if (!OurHost(req[http::field::host]))
      return refuse(http::status::forbidden, "this server answers only to 127.0.0.1:" +
                                                 std::to_string(port) + " as its Host");
    const bool reads = req.method() == http::verb::get;
    if (!reads && req.method() != http::verb::post)
      return refuse(http::status::method_not_allowed, "only GET and POST are answered");
    const std::string given = QueryValue(req.target(), "token");
    if (!given.empty() && SameSecret(given, token)) {
      /* Taken from the address once, then kept in a cookie that no other
       * site's page sends along; the address loses it. */
      res.result(http::status::see_other);
      res.set(http::field::set_cookie,
              std::string(kCookie) + "=" + token + "; Path=/; HttpOnly; SameSite=Strict");
      res.set(http::field::location, "/");
      res.prepare_payload();
      return res;
    }
    if (!SameSecret(CookieValue(req[http::field::cookie], kCookie), token))
      return refuse(http::status::forbidden,
                    "no token: open the address 'wolfet-host ui' printed when it started");
    if (!reads && req[http::field::origin] != "http://" + std::string(req[http::field::host]))
      return refuse(http::status::forbidden,
                    "a change is taken only from this server's own pages (Origin)");
    const std::string target(req.target());
    const Response answer =
        (*handler)({reads ? "GET" : "POST", target.substr(0, target.find('?')), req.body()});
    res.result(static_cast<http::status>(answer.status));
    res.set(http::field::content_type, answer.content_type);
    res.body() = answer.body;
    res.prepare_payload();
    return res;
  }

  /* One request a connection, read and answered within kIdle. */
  void Serve(std::shared_ptr<beast::tcp_stream> stream) {
    auto buffer = std::make_shared<beast::flat_buffer>();
    auto parser = std::make_shared<http::request_parser<http::string_body>>();
    parser->body_limit(kMaxBody);
    stream->expires_after(kIdle);
    http::async_read(
        *stream, *buffer, *parser, [this, stream, buffer, parser](beast::error_code e, size_t) {
          if (e) return;
          auto res = std::make_shared<http::response<http::string_body>>(Answer(parser->get()));
          http::async_write(*stream, *res, [stream, res](beast::error_code, size_t) {
            beast::error_code ignored;
            stream->socket().shutdown(tcp::socket::shutdown_both, ignored);
          });
        });
  }

  void Accept() {
    acceptor.async_accept([this](beast::error_code e, tcp::socket socket) {
      if (!e) Serve(std::make_shared<beast::tcp_stream>(std::move(socket)));
      if (e != asio::error::operation_aborted) Accept();
    });
  }
};

HttpServer::HttpServer(uint16_t port) : impl_(std::make_unique<Impl>()) {
  impl_->token = os::RandomHex(16);
  if (impl_->token.empty())
    throw Error(Fault::kFile, "the system gave no random bytes for the page's token");
  beast::error_code e;
  const tcp::endpoint loopback(asio::ip::address_v4::loopback(), port);
  impl_->acceptor.open(loopback.protocol(), e);
  if (!e) impl_->acceptor.bind(loopback, e);
  if (!e) impl_->acceptor.listen(asio::socket_base::max_listen_connections, e);
  if (e)
    throw Error(Fault::kFile, "cannot serve on 127.0.0.1:" + std::to_string(port) + " (" +
                                  e.message() + "); give another with --port");
  impl_->port = impl_->acceptor.local_endpoint().port();
}

HttpServer::~HttpServer() = default;

uint16_t HttpServer::port() const { return impl_->port; }

std::string HttpServer::Url() const {
  return "http://127.0.0.1:" + std::to_string(impl_->port) + "/?token=" + impl_->token;
}

void HttpServer::Run(const Handler &handler, const std::function<const char *()> &stop) {
  impl_->handler = &handler;
  impl_->Accept();
  while (stop() == nullptr) {
    impl_->io.run_for(std::chrono::milliseconds(100));
    if (impl_->io.stopped()) impl_->io.restart();
  }
}

}  // namespace ui
}  // namespace wolfet_host
