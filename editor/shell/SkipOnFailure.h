// Step-by-step failure suppression: commands such as pointer handling, the game
// summary and the About list run each step on its own, so that a step that
// fails is skipped and the next one still runs.
#pragma once

#include <exception>
#include <utility>

namespace kerrow {

template <typename Step>
void SkipOnFailure(Step&& step) {
  try {
    std::forward<Step>(step)();
  } catch (const std::exception&) {
  }
}

}  // namespace kerrow
