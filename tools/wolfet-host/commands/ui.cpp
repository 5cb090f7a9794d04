// ui: the graphical host, a local web application on 127.0.0.1 for the
// desktop's browser: the settings pages, the engine check and verification,
// the servers with favourites and those joined lately, host and join.
#include <iostream>
#include <memory>

#include "os.h"
#include "program.h"
#include "ui/api.h"
#include "ui/assets.h"
#include "ui/http_server.h"

namespace wolfet_host {
namespace {

ui::Response Asset(const std::string &path) {
  const std::string wanted = path == "/" ? "/index.html" : path;
  for (size_t i = 0; i < ui::kAssetCount; ++i)
    if (wanted == ui::kAssets[i].path)
      return {
          200, ui::kAssets[i].content_type,
          std::string(reinterpret_cast<const char *>(ui::kAssets[i].bytes), ui::kAssets[i].size)};
  return {404, "text/plain; charset=utf-8", "nothing at " + path + "\n"};
}

}  // namespace

void RunUi(Context &context, const UiOptions &options) {
  ui::HttpServer server(static_cast<uint16_t>(options.port));
  /* The first line, for whoever started it to open or a script to read. */
  std::cout << server.Url() << std::endl;
  if (!options.no_open && !os::OpenInBrowser(server.Url()))
    std::cerr << "note: no desktop browser to open it in; open the address above\n";
  std::cerr << "serving the graphical host on 127.0.0.1:" << server.port()
            << " until Ctrl-C or SIGTERM\n";
  const os::StopSignals stop_signals;
  ui::Api api(context);
  const ui::Handler handler = [&api](const ui::Request &request) {
    return request.path.rfind("/api/", 0) == 0 ? api.Handle(request) : Asset(request.path);
  };
  server.Run(handler, os::StopRequested);
  api.Stop(os::StopRequested());
  std::cerr << "stopped on " << os::StopRequested() << "\n";
}

void AddUiCommand(CLI::App &app, Context &context) {
  auto options = std::make_shared<UiOptions>();
  auto *command = app.add_subcommand(
      "ui",
      "Serve the graphical host on 127.0.0.1 and open it in the desktop's browser: the "
      "settings pages, the engine check, verification, the servers, host and join");
  command->add_option("--port", options->port, "The port to serve on (0: a free one)")
      ->capture_default_str()
      ->transform(Decimal())
      ->check(CLI::Range(0, 65535));
  command->add_flag("--no-open", options->no_open, "Print the address only; open no browser");
  command->callback([&context, options] { RunUi(context, *options); });
}

}  // namespace wolfet_host
