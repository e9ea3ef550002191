#pragma once

#include "model/failure.h"

#include <QString>

#include <functional>
#include <new>

// Qt does not let exceptions unwind through its own frames (a button's click handling, say), so
// every handler that Qt calls reports its failure here instead of throwing on. The application
// object installs the real report; until then failures are only logged.
using ErrorReporter = std::function<void(const QString& message)>;
void setErrorReporter(ErrorReporter reporter);
void reportError(const QString& message);

// Runs a command and turns its failure into the top-level report.
template <typename Command>
void guarded(Command&& command) {
  try {
    command();
  } catch (const Failure& failure) {
    reportError(failure.message());
  } catch (const std::bad_alloc&) {
    reportError(QStringLiteral("メモリが足りません"));
  }
}
