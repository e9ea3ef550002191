#pragma once

#include "model/document.h"

#include <QFont>
#include <QString>

#include <optional>

// Every modal question the main window asks goes through here, so that tests can answer with
// scripted replies instead of opening real windows. Each call returns nothing on cancel.
class Dialogs {
public:
  virtual ~Dialogs() = default;

  virtual std::optional<QString> openProject() = 0;        // OD
  virtual std::optional<QString> saveProject() = 0;        // SD
  virtual void proposeProjectName(const QString& path) = 0;// what SD offers next time
  virtual std::optional<QString> openPicture() = 0;        // OPD
  virtual std::optional<QString> savePicture() = 0;        // SPD
  virtual std::optional<Colour> chooseColour() = 0;        // CD: opens on the last confirmed colour
  virtual void presetFont(const QFont& font) = 0;          // FD opens with this font next time
  virtual std::optional<QFont> chooseFont() = 0;           // FD
  virtual void showMessage(const QString& text, const QString& caption) = 0;  // stop icon, OK
};
