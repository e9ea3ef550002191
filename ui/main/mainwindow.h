#pragma once

#include "model/document.h"
#include "ui/main/dialogs.h"
#include "ui/main/pointerdrag.h"
#include "ui/main/propertypanel.h"
#include "ui/parts/partslisthost.h"

#include <QMainWindow>
#include <QPointer>
#include <QStringList>

#include <array>
#include <map>
#include <memory>

class CanvasView;
class PictureControl;
class QAction;
class QScrollArea;
class QToolBar;
class QToolButton;
class PartsListWindow;
class VersionDialog;

// The main window: it owns the document block, the canvas with the background and one control
// per part, the property panel, the menus, the toolbar and the dialogs. A menu item and the
// toolbar button of the same command share one QAction, which carries the command's id.
class MainWindow : public QMainWindow, public PartsListHost {
  Q_OBJECT
public:
  // Command ids: menu items and toolbar buttons carry these in QAction::data().
  enum CommandTag {
    tagFile = 0,
    tagNew = 1,
    tagOpenProject = 2,
    tagSaveProject = 3,
    tagSaveLogo = 4,
    tagExit = 5,
    tagView = 10,
    tagToolbar = 11,
    tagPartsList = 12,
    tagAdd = 20,
    tagAddText = 21,
    tagAddPicture = 22,
    tagBackground = 30,
    tagBackgroundPicture = 31,
    tagBackgroundFill = 32,
    tagNoMove = 33,
    tagNoResize = 34,
    tagVersionMenu = 40,
    tagHelp = 41,
    tagVersion = 42,
  };

  // `dialogs` answers every modal question; the real dialogs when none is given.
  explicit MainWindow(std::unique_ptr<Dialogs> dialogs = nullptr, QWidget* parent = nullptr);
  ~MainWindow() override;

  // The pointer's drag state on the canvas: the hovered zone, the last press, the drag in force.
  const PointerDrag& pointerDrag() const { return pointerDrag_; }

  // ---- what the composition holds ----
  const TDocument& document() const override { return document_; }
  // The selected part's index, or BACKGROUND_INDEX.
  int selection() const { return selection_; }
  // The control that shows part `index` (or the background for BACKGROUND_INDEX), or null.
  PictureControl* partControl(int index) const;
  PictureControl* backgroundControl() const;
  // The scroll area's content: canvas coordinates are its coordinates.
  QWidget* canvas() const;
  // What Save would write now: the block with the background's and every part's bounds in it.
  TDocument documentAsSaved() const;
  // Whether that differs from what was last saved, opened or started afresh.
  bool isModified() const;

  // ---- commands ----
  // The command of a menu item or toolbar button; failures are thrown to the caller.
  void runCommand(int tag);
  // The menu item of a command; the toolbar button of a command that has one.
  QAction* action(int tag) const;
  QToolButton* toolButton(int tag) const;
  // The composition cleared and the background centred, without asking about unsaved work.
  void newComposition();
  // True when the file was written; false when the dialog was cancelled. Throws on a failed write.
  bool saveProject();
  // Adds a part of `kind` as the add commands do: false when the table is full or a dialog was
  // cancelled; a picture that cannot be read adds nothing and throws.
  bool addPart(PartKind kind);
  // The project named on the command line, opened as Open would open it; call once shown.
  void openProjectAtStart(const QString& path);
  // A text part's record replaced and its picture drawn again, as the panel's edits do.
  void updateTextPart(int index, const TPartData& record);

  // ---- the parts list's side ----
  void selectPart(int index) override;
  void removePart(int index) override;
  void resetPanel() override;
  std::optional<QPoint> partCentreOnScreen(int index) const override;

  // The open parts list, or null; the version window while it is shown, or null.
  PartsListWindow* partsList() const;
  VersionDialog* versionDialog() const;
  void openPartsList();

protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

private:
  void clearAtCreation();
  void firstShow();
  void createMenus();
  void createToolBar();
  void createPanel();
  void createCanvas();
  void bindControl(PictureControl* control);
  void menuItemClicked(QAction* sender);

  // ---- commands and the operations they share ----
  void fillBackground(Colour colour);
  void openProject();
  // Opens the project at `path` with Open's checks and messages, without a dialog or a question.
  void openProjectFile(const QString& path);
  void saveLogo();
  // A picture part from `path`, as add picture makes it once its dialog has answered: nothing
  // when the table is full, nothing added (and the failure thrown) when the file cannot be read.
  PictureControl* addPicturePart(const QString& path);
  void chooseBackgroundPicture();
  void chooseBackgroundFill();
  void closePartsList();
  void showHelp();
  void showVersion();

  // ---- the part controls ----
  PictureControl* buildPartControl(const TPartData& record);
  void redrawTextPart(const TPartData& record);
  void loadPicture(PictureControl* control, const QString& path);
  void copyBoundsToRecords();
  // Every part control's bounds into its record of `doc`.
  void copyPartBounds(TDocument& doc) const;
  // Builds a control for every record in use; returns what could not be shown, one per line.
  QStringList rebuildPartControls();
  void appendPartsListRow(const TPartData& record);
  void freePartControls();
  // One message for every part that could not be shown, once all of them are built.
  void reportUnloaded(const QStringList& failures);

  // ---- the property panel's edits ----
  PictureControl* selectedControl() const;
  TPartData* selectedTextRecord();
  void textEdited(const QString& text);
  void sizeEdited(Qt::Orientation axis, int value);
  void chooseColour(PropertyPanel::ColourRole role);
  void chooseFont();
  void nudge(int dx, int dy);
  void fillToggled(bool on);
  void shadowOffsetEdited(Qt::Orientation axis, int offset);

  // ---- pointer editing on the canvas ----
  void controlPressed(PictureControl* sender, Qt::MouseButton button, QPoint at);
  void controlMoved(PictureControl* sender, QPoint at);
  void controlReleased(PictureControl* sender, Qt::MouseButton button, QPoint at);

  // ---- unsaved work ----
  // The composition as last saved, opened or started afresh.
  void markSaved();
  // Before a command drops the composition: true when it may go on (nothing changed, the user
  // saved it, or chose to drop the changes), false when the user cancelled.
  bool mayDropComposition();
  void dropFiles(const QStringList& paths, QPoint canvasPoint);

  TDocument document_{};
  TDocument lastSaved_{};
  std::array<PictureControl*, MAX_PARTS> partControls_{};
  int selection_ = BACKGROUND_INDEX;
  PointerDrag pointerDrag_;

  std::unique_ptr<Dialogs> dialogs_;
  std::map<int, QAction*> actions_;  // by command id
  QToolBar* toolBar_ = nullptr;
  PropertyPanel* panel_ = nullptr;
  CanvasView* canvasView_ = nullptr;
  QPointer<PartsListWindow> partsList_;
  QPointer<VersionDialog> versionDialog_;
  bool shown_ = false;
};
