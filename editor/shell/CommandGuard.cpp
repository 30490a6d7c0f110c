#include "shell/CommandGuard.h"

#include <exception>
#include <new>

#include "shell/Dialogs.h"
#include "shell/Failure.h"

namespace kerrow {

bool RunGuarded(const std::function<void()>& command) {
  std::string message;
  try {
    command();
    return true;
  } catch (const Failure& failure) {
    message = failure.Description();
  } catch (const std::bad_alloc&) {
    message = kOutOfMemoryText;
  } catch (const std::exception& error) {
    message = error.what();
  }
  // Shown outside the handler so a failing box cannot lose the original failure.
  ActiveDialogs().Message(message, MsgIcon::Critical, MsgButtons::Ok, kAppTitle);
  return false;
}

}  // namespace kerrow
