// The project named on the command line.
#include "ui/main/tmain.h"

#include "ui/main/errorreport.h"

namespace {

// Open's own dialog answered once with the given path; every other question goes to the real
// dialogs, so the file meets exactly the checks and messages of Open.
class StartupDialogs final : public Dialogs {
public:
  StartupDialogs(Dialogs& real, QString path) : real_(real), path_(std::move(path)) {}

  std::optional<QString> openProject() override { return path_; }
  std::optional<QString> saveProject() override { return real_.saveProject(); }
  void proposeProjectName(const QString& path) override { real_.proposeProjectName(path); }
  std::optional<QString> openPicture() override { return real_.openPicture(); }
  std::optional<QString> savePicture() override { return real_.savePicture(); }
  std::optional<Colour> chooseColour() override { return real_.chooseColour(); }
  void presetFont(const QFont& font) override { real_.presetFont(font); }
  std::optional<QFont> chooseFont() override { return real_.chooseFont(); }
  void showMessage(const QString& text, const QString& caption) override { real_.showMessage(text, caption); }

private:
  Dialogs& real_;
  QString path_;
};

}  // namespace

void TMain::openProjectAtStart(const QString& path) {
  // The real dialogs come back however Open ends.
  struct Restore {
    std::unique_ptr<Dialogs>& slot;
    std::unique_ptr<Dialogs> real;
    ~Restore() { slot = std::move(real); }
  } restore{dialogs_, std::move(dialogs_)};
  dialogs_ = std::make_unique<StartupDialogs>(*restore.real, path);
  // Not yet inside the event loop, so a failure is reported here rather than by the application.
  guarded([this] { OpenProject(); });
}
