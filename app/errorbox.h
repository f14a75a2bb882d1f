// The error displays: the error box for every error that ends an operator
// action, and the start-up error box for one that escapes before the message
// loop runs.
#pragma once

#include <QString>

#include <exception>
#include <string>

namespace didu {

/// Shows `error` in the error box (stop icon, one OK button, the application
/// title read now), with the full-stop rule applied. An AbortError shows nothing.
void showError(const std::exception& error);

/// The error box for a message that is not an exception of the program's own.
void showErrorMessage(const std::string& message);

/// The start-up error box's text: "Exception %s in module %s at %p.\r\n%s%s\r\n".
std::string startupErrorText(const std::exception& error);

/// Shows the start-up error box titled "Application Error"; when no display is
/// open the same text goes to standard error. The caller then exits with code 1.
void showStartupError(const std::exception& error);

} // namespace didu
