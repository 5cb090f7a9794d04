// favourites: the servers starred, which every listing asks whatever the
// master says, and those joined lately.
#include "servers/favourites.h"

#include <iostream>
#include <memory>

#include "program.h"

namespace wolfet_host {
namespace {

void ShowBookmarks(const Bookmarks &b) {
  std::cout << "favourites (asked by every 'servers', shown first with a *):\n";
  if (b.favourites.empty())
    std::cout << "  (none: star one with 'wolfet-host favourites add HOST:PORT')\n";
  for (const std::string &address : b.favourites) std::cout << "  " << address << "\n";
  std::cout << "joined lately:\n";
  if (b.recent.empty()) std::cout << "  (none)\n";
  for (const RecentServer &r : b.recent)
    std::cout << "  " << r.address << "  " << r.joined << (r.name.empty() ? "" : "  " + r.name)
              << "\n";
}

}  // namespace

void AddFavouritesCommand(CLI::App &app, Context &context) {
  auto *favourites = app.add_subcommand(
      "favourites", "Show the servers starred and those joined lately; add or remove a star");
  auto addresses = std::make_shared<std::vector<std::string>>();
  for (const bool starred : {true, false}) {
    auto *change = favourites->add_subcommand(
        starred ? "add" : "remove",
        starred ? "Star servers: every 'servers' asks them, even when the master is silent"
                : "Take the star off servers");
    change->add_option("address", *addresses, "HOST[:PORT], port 27960 if not given")->required();
    change->callback([&context, addresses, starred] {
      for (const std::string &address : *addresses)
        std::cout << (starred ? "starred " : "unstarred ")
                  << SetFavourite(context.session().file().files(), address, starred) << "\n";
    });
  }
  favourites->callback([&context, favourites] {
    if (favourites->get_subcommands().empty())
      ShowBookmarks(ReadBookmarks(context.session().file().files()));
  });
}

}  // namespace wolfet_host
