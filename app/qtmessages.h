#pragma once

// Qt writes its own notes to standard error ("QStandardPaths: XDG_RUNTIME_DIR not set, ...")
// under cron, ssh and in containers. They are not the program's to say: the exporter's standard
// error is read by scripts and must carry only its own messages, and the editor's terminal
// stays clean. Installed first thing in main(), before the application object, whose start-up
// gives most of them.
//
// Passed on as Qt would print them: messages in the program's own logging category
// (PELMORA_LOG_CATEGORY, or one below it such as "pelmora.files"), critical and fatal messages,
// and warnings while QT_FATAL_WARNINGS makes them fatal. Qt still aborts after a fatal message.
inline constexpr char PELMORA_LOG_CATEGORY[] = "pelmora";

void installQtMessageFilter();
