#include "shell/ErrorReports.h"

#include <string>

#include "shell/Dialogs.h"

namespace kerrow {

void ShowProcessingError() {
  ActiveDialogs().Message(kProcessingErrorText, MsgIcon::Critical, MsgButtons::Ok,
                          kProcessingErrorTitle);
}

std::string RuntimeErrorText(const Failure& failure) {
  return "Runtime Error: " + std::to_string(failure.Number()) + "\r\n'" + failure.Description() +
         "'\r\n\r\nSource: " + failure.Source();
}

void ShowRuntimeError(std::int32_t number, const Failure& failure) {
  // 91 is what a double-click with nothing selected raises: stay silent.
  if (number == kErrObjectNotSet) return;
  ActiveDialogs().Message(RuntimeErrorText(failure), MsgIcon::Critical, MsgButtons::Ok,
                          kRuntimeErrorTitle);
}

}  // namespace kerrow
