#pragma once

#include "edit/composition.h"
#include "edit/partview.h"

#include <QWidget>

class ColourPanel;
class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QToolButton;

// The strip above the canvas that shows the selection's properties: the text group (string,
// colours, fill, font, shadow) for a text part, the size group for a picture part or the
// background, and the nudge arrows for either. It holds no state of its own: the main window
// shows the composition's selection in it, and it reports what the user did there, and only that:
// typing, clicks and picks from a list. What the window writes into its controls is never reported.
class PropertyPanel : public QWidget {
  Q_OBJECT
public:
  using ColourRole = Composition::TextColour;

  // The shadow offsets a user can pick or type.
  static constexpr int kShadowLimit = 30;

  explicit PropertyPanel(QWidget* parent = nullptr);

  // A text part: the text group on with its values, the size group off.
  void showTextPart(const PartView& part);
  // A picture part or the background: the size group on, the text group off and emptied.
  void showSizeGroupOnly();
  // Several parts: with only text parts among them (`shared` given), the text group with what they
  // share and blank where they differ, the fill check half-checked; with a picture part among
  // them, the text group off and emptied. The string field and the size group are off and empty.
  void showSeveral(const std::optional<Composition::SharedText>& shared);
  void showWidth(int width);
  void showHeight(int height);
  // The selection's size as it changed: an edit is rewritten only where what it says is not the
  // size, so that the number being typed into it stays as typed.
  void followSize(int width, int height);
  // Nothing selected: both groups off and empty.
  void reset();

  void showColour(ColourRole role, Colour colour);

  // The window's undo and redo, which the fields' menus offer instead of their own.
  void useHistoryActions(QAction* undo, QAction* redo);

Q_SIGNALS:
  void textEdited(const QString& text);
  void colourClicked(PropertyPanel::ColourRole role);
  void fontClicked();
  void fillToggled(bool on);
  // A shadow offset the user typed or picked, already brought within the limit and shown so.
  void shadowOffsetEdited(Qt::Orientation axis, int offset);
  // A width or height typed into the size group, read as a typed number (10 when it is none). The
  // sizes the panel is given to show are not heard: they are the control's own already.
  void sizeTyped(Qt::Orientation axis, int value);
  void nudged(int dx, int dy);
  // The user left a field that was being typed into: the typing there is over.
  void typingFinished();

private:
  class OneHistory;

  void createTextGroup();
  void createSizeGroup();
  void createNudgeGroup();
  void connectTextGroup();
  void connectSizeGroup();
  // The text group's controls back to their empty values; the caller disables the group first.
  void clearTextControls();
  void showShadowOffsets(int x, int y);
  ColourPanel* colourPanel(ColourRole role) const;

  QGroupBox *textGroup_ = nullptr, *shadowGroup_ = nullptr, *sizeGroup_ = nullptr, *nudgeGroup_ = nullptr;
  QLineEdit* textEdit_ = nullptr;
  ColourPanel *textColourPanel_ = nullptr, *fillColourPanel_ = nullptr, *shadowColourPanel_ = nullptr;
  QCheckBox* fillCheck_ = nullptr;
  QToolButton* fontButton_ = nullptr;
  QComboBox *shadowXBox_ = nullptr, *shadowYBox_ = nullptr;
  QLineEdit *widthEdit_ = nullptr, *heightEdit_ = nullptr;
  OneHistory* oneHistory_ = nullptr;
};
