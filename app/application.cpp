#include "app/application.h"

#include "model/failure.h"
#include "render/fonts.h"
#include "ui/dialogs/messagebox.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QMainWindow>
#include <QProxyStyle>
#include <QToolTip>
#include <QTranslator>

namespace {

// Hints show almost at once, as they did on the earlier platform.
class TStyle : public QProxyStyle {
public:
  int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                QStyleHintReturn* returnData) const override {
    if (hint == SH_ToolTip_WakeUpDelay) return Application::HintPause;
    if (hint == SH_ToolTip_FallAsleepDelay) return Application::HintHidePause;
    return QProxyStyle::styleHint(hint, option, widget, returnData);
  }
};

// The window a report belongs over. Right after a file dialog closes, the window manager may not
// yet have given the focus back and no window is active; the report still belongs over the
// editor, centred on it and owned by it, not alone in the middle of the screen.
QWidget* reportOwner() {
  if (QWidget* active = QApplication::activeWindow()) return active;
  for (QWidget* window : QApplication::topLevelWidgets())
    if (qobject_cast<QMainWindow*>(window) && window->isVisible()) return window;
  return nullptr;
}

}  // namespace

Application::Application(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(QStringLiteral("Pelmora"));
  // No display name: Qt would append it to every window's caption, and each window's caption is
  // its own.
  setApplicationVersion(QStringLiteral("1.00"));
  installFontSubstitutions();
  // Everything the user reads is Japanese, the labels of Qt's own dialogs included.
  auto* qtJapanese = new QTranslator(this);
  if (qtJapanese->load(QLocale(QLocale::Japanese), QStringLiteral("qtbase"), QStringLiteral("_"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    installTranslator(qtJapanese);
  setStyle(new TStyle);
  QPalette hints = QToolTip::palette();
  hints.setColor(QPalette::ToolTipBase, QColor(HintColor));
  hints.setColor(QPalette::ToolTipText, Qt::black);
  QToolTip::setPalette(hints);
  setErrorSink(nullptr);
}

Application* Application::instance() { return qobject_cast<Application*>(QCoreApplication::instance()); }

void Application::setErrorSink(ErrorSink sink) {
  if (!sink) sink = [](const QString& text, const QString& caption) { showStopMessage(reportOwner(), caption, text); };
  ::setErrorSink(std::move(sink));
}

bool Application::notify(QObject* receiver, QEvent* event) {
  try {
    return QApplication::notify(receiver, event);
  } catch (...) {
    reportError(messageOfCurrentException());
  }
  return false;
}
