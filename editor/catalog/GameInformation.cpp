#include "catalog/GameInformation.h"

#include <cstdint>
#include <functional>

#include "shell/Failure.h"
#include "shell/SkipOnFailure.h"
#include "shell/bGlobals.h"

namespace kerrow {

namespace {

// Appends one part of the summary, or nothing when reading it fails.
void AppendStep(std::string& text, const std::function<std::string()>& step) {
  SkipOnFailure([&] { text += step(); });
}

}  // namespace

std::string GameInformationText() {
  std::string text;
  AppendStep(text, [] { return "Game Name: " + GameTableView(kNfo).Text("Name") + "\r\n\r\n"; });
  AppendStep(text, [] {
    std::int64_t total = std::int64_t{GameTableView(kSprite).RecordCount()} +
                         GameTableView(kCompressed).RecordCount();
    if (total > INT32_MAX) throw Failure(kErrOverflow, "Overflow", "kerrow");
    return "Total Sprites Defined: " + std::to_string(total) + "\r\n";
  });
  AppendStep(text, [] {
    return "Number of Sprite Headings: " + std::to_string(GameTableView(kHead).RecordCount());
  });
  return text;
}

}  // namespace kerrow
