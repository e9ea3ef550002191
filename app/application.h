#pragma once

#include <QApplication>

#include <functional>

// The application object: the program's title and hint settings, and the top-level error
// report. Every failure a command raises ends up in notify(), which shows it and lets the event
// loop go on; no exception ever crosses Qt's event loop.
class TApplication : public QApplication {
  Q_OBJECT
public:
  static constexpr QRgb HintColor = 0x00FF00;  // bright green, as RGB
  static constexpr int HintPause = 10;          // ms until a hint shows
  static constexpr int HintHidePause = 10000;   // ms until it hides again

  TApplication(int& argc, char** argv);

  bool notify(QObject* receiver, QEvent* event) override;

  // Where the report goes; a message box unless the main window (or a test) installs its own.
  using ErrorSink = std::function<void(const QString& text, const QString& caption)>;
  void setErrorSink(ErrorSink sink);
  void reportError(const QString& message);

  static TApplication* instance();

private:
  ErrorSink sink_;
};

// The report's text: the message with a full stop when its last character sorts after ".".
QString reportText(const QString& message);
