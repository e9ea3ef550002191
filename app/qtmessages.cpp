#include "app/qtmessages.h"

#include <QtGlobal>

#include <cstring>

namespace {

QtMessageHandler qtOwnHandler = nullptr;

bool ownCategory(const char* category) {
  if (!category) return false;
  const size_t length = std::strlen(PELMORA_LOG_CATEGORY);
  return std::strncmp(category, PELMORA_LOG_CATEGORY, length) == 0 &&
         (category[length] == '\0' || category[length] == '.');
}

bool passes(QtMsgType type, const QMessageLogContext& context) {
  switch (type) {
    case QtCriticalMsg:
    case QtFatalMsg: return true;
    case QtWarningMsg:
      // Qt aborts right after a warning made fatal; the user must see what it was.
      if (qEnvironmentVariableIsSet("QT_FATAL_WARNINGS")) return true;
      break;
    case QtDebugMsg:
    case QtInfoMsg: break;
  }
  return ownCategory(context.category);
}

void filterMessage(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (passes(type, context) && qtOwnHandler) qtOwnHandler(type, context, message);
}

}  // namespace

void installQtMessageFilter() {
  // Qt hands back its default handler when none was installed before.
  const QtMessageHandler previous = qInstallMessageHandler(filterMessage);
  if (previous != filterMessage) qtOwnHandler = previous;
}
