#include "info.h"

#include <algorithm>
#include <chrono>

#include "error.h"

namespace wolfet_host {

AskedServer AskServer(const std::string &address, double timeout_s) {
  using Clock = std::chrono::steady_clock;
  std::string why;
  const std::optional<ServerAddress> parsed = ParseServerAddress(address, &why);
  if (!parsed) throw Error(Fault::kBadInput, "the server \"" + address + "\" " + why);
  AskedServer asked;
  asked.named = parsed->host + ":" + std::to_string(parsed->port);
  const auto start = Clock::now();
  const auto deadline =
      start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(timeout_s));
  const uint32_t ip = ResolveBefore(parsed->host, deadline, SystemLookUp, "the server");
  /* 0.0.0.0 would reach this machine on some systems and nothing on
   * others; a master's list skips it too. */
  if (ip == 0) throw Error(Fault::kBadInput, "the server " + asked.named + " names no host");
  BrowseRequest request;
  request.status = true;
  /* The look-up took its share of --timeout; a few milliseconds are left
   * at least, for the request to go out. */
  constexpr double kLeast = 0.01;
  request.timeout_s =
      std::max(kLeast, timeout_s - std::chrono::duration<double>(Clock::now() - start).count());
  asked.server = QueryServers({{ip, parsed->port}}, request).servers.at(0);
  asked.seconds = std::chrono::duration<double>(Clock::now() - start).count();
  if (FormatEndpoint(asked.server.endpoint) != asked.named)
    asked.named += " (" + FormatEndpoint(asked.server.endpoint) + ")";
  return asked;
}

}  // namespace wolfet_host
