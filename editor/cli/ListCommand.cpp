// kerrow-cli list ROM: the identified game and its sprites.
#include <iostream>
#include <map>

#include "cli/ArtSubcommands.h"
#include "cli/CliSession.h"
#include "shell/Failure.h"
#include "shell/bGlobals.h"

namespace kerrow::cli {

namespace {

std::string Size(TableView& table) {
  return std::to_string(table.Integer("Width")) + "x" + std::to_string(table.Integer("Height"));
}

// One line per sprite: name, kind, size in tiles, heading or group, tab-separated.
// A row whose fields cannot be read is reported and left out.
int ListTable(GameTable which, const std::map<std::string, std::string>& headings) {
  int failures = 0;
  TableView& table = GameTableView(which);
  for (table.MoveFirst(); !table.Eof(); table.MoveNext()) {
    try {
      const std::string name = table.Text("Name");
      std::string group;
      if (which == kSprite) {
        const auto heading = headings.find(table.Text("Heading"));
        group = heading != headings.end() ? heading->second : table.Text("Heading");
      } else {
        group = table.IsNull("SubHead") ? std::string() : table.Text("SubHead");
      }
      std::cout << name << '\t' << (which == kSprite ? "plain" : "compressed") << '\t'
                << Size(table) << '\t' << group << '\n';
    } catch (const Failure& failure) {
      ++failures;
      CliSession::Fail(kExitCatalog, "a row of " + table.Name() +
                                         " cannot be read: " + failure.Description());
    }
  }
  return failures;
}

int RunList(const CliContext& context, std::span<const std::string> args) {
  if (args.size() != 1) return CliSession::Fail(kExitUsage, "usage: kerrow-cli list ROM");
  CliSession session(context);
  if (int status = session.OpenRom(args[0]); status != kExitOk) return status;
  try {
    std::cout << "Game: " << GameTableView(kNfo).Text("Name") << '\n';
    std::map<std::string, std::string> headings;
    TableView& head = GameTableView(kHead);
    for (head.MoveFirst(); !head.Eof(); head.MoveNext())
      headings[head.Text("ID")] = head.Text("Name");
    const int failures = ListTable(kSprite, headings) + ListTable(kCompressed, headings);
    return failures == 0 ? kExitOk : kExitCatalog;
  } catch (const Failure& failure) {
    return CliSession::Fail(kExitCatalog, "cannot read the game's catalog: " +
                                              failure.Description());
  }
}

}  // namespace

CliCommand ListCommand() {
  return {"list", "ROM",
          "names the ROM's game, then its sprites: name, plain or compressed, size in tiles "
          "(WxH) and heading or group, separated by tabs",
          RunList};
}

}  // namespace kerrow::cli
