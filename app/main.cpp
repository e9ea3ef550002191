#include "app/application.h"
#include "app/qtmessages.h"
#include "ui/main/tmain.h"

#include "model/failure.h"

int main(int argc, char** argv) {
  installQtMessageFilter();
  TApplication app(argc, argv);
  try {
    TMain window;
    Main = &window;
    window.show();
    const int result = app.exec();
    Main = nullptr;
    return result == 0 ? 0 : result;
  } catch (const Failure& failure) {
    app.reportError(failure.message());
  } catch (const std::exception& e) {
    app.reportError(QString::fromLocal8Bit(e.what()));
  }
  return 1;
}
