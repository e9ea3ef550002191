#pragma once

#include "ui/dialogs/dialogs.h"

#include <QColor>
#include <QPointer>

class QCheckBox;
class QColorDialog;
class QComboBox;
class QFileDialog;
class QFontDialog;
class QWidget;

// The real dialogs. They live as long as the main window, so each keeps its folder, file name
// and colour between uses.
class QtDialogs final : public Dialogs {
public:
  explicit QtDialogs(QWidget* owner);
  ~QtDialogs() override;

  std::optional<QString> openProject() override;
  std::optional<QString> saveProject() override;
  void proposeProjectName(const QString& path) override;
  std::optional<QString> openPicture() override;
  std::optional<LogoChoice> saveLogo(const LogoOptions& remembered) override;
  std::optional<Colour> chooseColour() override;
  void presetFont(const FontChoice& font) override;
  std::optional<FontChoice> chooseFont() override;
  void showMessage(const QString& text, const QString& caption) override;
  LeftWorkAnswer askToRestore(const QString& about) override;
  UnsavedChanges askToSaveChanges() override;

  QFileDialog* openProjectDialog;
  QFileDialog* saveProjectDialog;
  QFileDialog* openPictureDialog;
  QFileDialog* savePictureDialog;  // saves the logo, with the two below
  QCheckBox* logoTransparentCheck;
  QComboBox* logoScaleChoice;
  QColorDialog* colourDialog;
  QFontDialog* fontDialog;

private:
  QWidget* owner_;
  Colour lastColour_ = clBlack;
  FontChoice font_;
};

// What the font dialog shows for a part's font: the installed family its face is drawn with, the
// style of that family closest to the style bits, and the size (at least 1 point).
QFont fontDialogFont(const FontChoice& font);

// Whether `dialog`, one of QtDialogs' file dialogs, found the widgets of Qt's own it completes
// names through. Qt gives them object names but no API, so an update of Qt may rename them.
bool reachesQtFileDialogWidgets(const QFileDialog* dialog);

// Turns a filter list written as "caption|patterns|caption|patterns" (patterns separated by ";")
// into Qt's name filters, keeping each caption exactly as written.
QStringList fileDialogFilters(const QString& filter);
