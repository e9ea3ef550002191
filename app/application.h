#pragma once

#include "ui/common/errorreport.h"

#include <QApplication>

// The application object: the program's title and hint settings, and the top-level error
// report. Every failure a command raises ends up in notify(), which shows it and lets the event
// loop go on; no exception ever crosses Qt's event loop.
class Application : public QApplication {
  Q_OBJECT
public:
  static constexpr QRgb HintColor = 0x00FF00;  // bright green, as RGB
  static constexpr int HintPause = 10;         // ms until a hint shows
  static constexpr int HintHidePause = 10000;  // ms until it hides again

  Application(int& argc, char** argv);

  bool notify(QObject* receiver, QEvent* event) override;

  // Installs the error sink; nullptr brings back the application's own, a message box.
  void setErrorSink(ErrorSink sink);

  static Application* instance();
};
