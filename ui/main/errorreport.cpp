#include "ui/main/errorreport.h"

#include <QtGlobal>

namespace {

ErrorReporter& reporter() {
  static ErrorReporter instance;
  return instance;
}

}  // namespace

void setErrorReporter(ErrorReporter r) { reporter() = std::move(r); }

void reportError(const QString& message) {
  if (reporter())
    reporter()(message);
  else
    qWarning("%s", qUtf8Printable(message));
}
