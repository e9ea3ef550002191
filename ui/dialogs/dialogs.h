#pragma once

#include "edit/partview.h"
#include "render/logoexport.h"

#include <QString>

#include <cstdint>
#include <optional>

// Every modal question the main window asks goes through here, so that tests can answer with
// scripted replies instead of opening real windows. Each call returns nothing on cancel.
class Dialogs {
public:
  virtual ~Dialogs() = default;

  virtual std::optional<QString> openProject() = 0;
  virtual std::optional<QString> saveProject() = 0;
  // The name the project save dialog offers next time.
  virtual void proposeProjectName(const QString& path) = 0;
  virtual std::optional<QString> openPicture() = 0;
  // Where the logo goes and how it is written; the dialog opens on `remembered`. The options come
  // back as the user left them, the transparency too where the name is a JPEG one, which cannot
  // honour it: the caller keeps them for next time and leaves the background in for JPEG.
  struct LogoChoice {
    QString path;
    LogoOptions options;
  };
  virtual std::optional<LogoChoice> saveLogo(const LogoOptions& remembered) = 0;
  // Opens on the last confirmed colour.
  virtual std::optional<Colour> chooseColour() = 0;
  // The font the font dialog opens on next time.
  virtual void presetFont(const FontChoice& font) = 0;
  // What the user did not change comes back exactly as preset, the face name included.
  virtual std::optional<FontChoice> chooseFont() = 0;
  // A stop icon and an OK button.
  virtual void showMessage(const QString& text, const QString& caption) = 0;

  // Asked before New, Open or closing would drop changes that were never saved.
  enum class UnsavedChanges { Save, Discard, Cancel };
  virtual UnsavedChanges askToSaveChanges() = 0;

  // Asked at start when a window that is gone left work it never saved; `about` names its project
  // and when it was last kept.
  enum class LeftWorkAnswer { Restore, Discard, Later };
  virtual LeftWorkAnswer askToRestore(const QString& about) = 0;
};
