#pragma once

#include "model/document.h"
#include "ui/main/dialogs.h"
#include "ui/main/pointerdrag.h"
#include "ui/parts/partslisthost.h"

#include <QMainWindow>
#include <QPointer>
#include <QStringList>

#include <array>
#include <memory>

class ColourPanel;
class PictureControl;
class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QScrollArea;
class QStatusBar;
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

  // ---- document state ----
  TDocument Document{};
  std::array<PictureControl*, MAX_PARTS> partControls{};
  int selection = BACKGROUND_TAG;  // a part index, or the background

  // The pointer's drag state on the canvas: the hovered zone, the last press, the drag in force.
  using DragMode = PointerDrag::Mode;
  const PointerDrag& pointerDrag() const { return pointerDrag_; }

  // ---- controls ----
  QMenuBar* mainMenu = nullptr;
  QMenu *fileMenu = nullptr, *viewMenu = nullptr, *addMenu = nullptr, *backgroundMenu = nullptr, *versionMenu = nullptr;
  QAction *newAction = nullptr, *openProjectAction = nullptr, *saveProjectAction = nullptr, *saveLogoAction = nullptr,
          *exitAction = nullptr;
  QAction *toolbarAction = nullptr, *partsListAction = nullptr, *addTextAction = nullptr, *addPictureAction = nullptr;
  QAction *backgroundPictureAction = nullptr, *backgroundFillAction = nullptr, *noMoveAction = nullptr,
          *noResizeAction = nullptr;
  QAction *helpAction = nullptr, *versionAction = nullptr;
  QToolBar* mainToolBar = nullptr;
  QWidget* propertyPanel = nullptr;
  QScrollArea* canvasScroll = nullptr;
  QWidget* canvas = nullptr;  // canvasScroll's content: canvas coordinates are its coordinates
  PictureControl* backgroundControl = nullptr;
  QStatusBar* statusStrip = nullptr;

  QGroupBox *textGroup = nullptr, *shadowGroup = nullptr, *sizeGroup = nullptr, *nudgeGroup = nullptr;
  QLineEdit* textEdit = nullptr;
  ColourPanel *textColourPanel = nullptr, *fillColourPanel = nullptr, *shadowColourPanel = nullptr;
  QCheckBox* fillCheck = nullptr;
  QToolButton *fontButton = nullptr, *nudgeUpButton = nullptr, *nudgeDownButton = nullptr, *nudgeLeftButton = nullptr,
              *nudgeRightButton = nullptr;
  QComboBox *shadowXBox = nullptr, *shadowYBox = nullptr;
  QLineEdit *widthEdit = nullptr, *heightEdit = nullptr;

  Dialogs& dialogs() { return *dialogs_; }
  QAction* action(int tag) const;
  QToolButton* toolButton(int tag) const;

  // ---- command dispatch ----
  void menuItemClicked(QAction* sender);
  void runCommand(int tag);

  // ---- commands and the operations they share ----
  void newComposition();
  void centreBackground();
  void fillBackground(Colour colour);
  void openProject();
  // Opens the project at `path` with Open's checks and messages, without a dialog or a question.
  void openProjectFile(const QString& path);
  // The project named on the command line, opened as Open would open it; call once shown.
  void openProjectAtStart(const QString& path);
  // True when the file was written; false when the dialog was cancelled. Throws on a failed write.
  bool saveProject();
  void saveLogo();
  bool addPart(PartKind kind);
  // A picture part from `path`, as add picture makes it once its dialog has answered: nothing
  // when the table is full, nothing added (and the failure thrown) when the file cannot be read.
  PictureControl* addPicturePart(const QString& path);
  void chooseBackgroundPicture();
  void chooseBackgroundFill();
  void openPartsList();
  void closePartsList();
  void showHelp();
  void showVersion();

  // ---- unsaved work ----
  // What Save would write now: the block with the background's and every part's bounds in it.
  TDocument documentAsSaved() const;
  // Whether that differs from what was last saved, opened or started afresh.
  bool isModified() const;

  PictureControl* buildPartControl(const TPartData& record);
  void redrawTextPart(const TPartData& record);
  void loadPicture(PictureControl* control, const QString& path);
  void copyBoundsToRecords();
  // Every part control's bounds into its record of `doc`.
  void copyPartBounds(TDocument& doc) const;
  // Builds a control for every record in use; returns what could not be shown, one per line.
  QStringList rebuildPartControls();
  void appendPartsListRow(const TPartData& record);
  void removePart(int index) override;
  void freePartControls();

  // ---- property panel ----
  PictureControl* selectedControl() const;
  void textEdited();
  void sizeEdited(Qt::Orientation axis);
  void chooseColour(ColourPanel* panel, Colour TPartData::*field);
  void chooseFont();
  void nudge(int dx, int dy);
  void fillToggled();
  void shadowOffsetEdited(QComboBox* box, std::int32_t TPartData::*field);
  void resetPanel() override;

  // ---- canvas pointer interaction ----
  void controlPressed(PictureControl* sender, Qt::MouseButton button, QPoint at);
  void controlMoved(PictureControl* sender, QPoint at);
  void controlReleased(PictureControl* sender, Qt::MouseButton button, QPoint at);
  // A part chosen in the parts list: the press at its centre, with no drag armed.
  void selectPart(int index) override;
  std::optional<QPoint> partCentreOnScreen(int index) const override;
  const TDocument& document() const override { return Document; }

  // The open parts list, or null; the version window while it is shown, or null.
  PartsListWindow* partsList() const;
  VersionDialog* versionDialog() const;

protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
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
  void showSize(const PictureControl* control);
  // The text group's controls back to their empty values; the caller disables the group first.
  void clearTextControls();
  // Both shadow offset boxes show these values, their lists' current rows on them.
  void showShadowOffsets(int x, int y);
  void updateCanvasExtent();
  PictureControl* controlOf(int index) const;
  TPartData* selectedTextRecord();
  // One message for every part that could not be shown, once all of them are built.
  void reportUnloaded(const QStringList& failures);

  // The composition as last saved, opened or started afresh.
  void markSaved();
  // Before a command drops the composition: true when it may go on (nothing changed, the user
  // saved it, or chose to drop the changes), false when the user cancelled.
  bool mayDropComposition();
  void dropFiles(const QStringList& paths, QPoint canvasPoint);

  std::unique_ptr<Dialogs> dialogs_;
  TDocument lastSaved_{};
  PointerDrag pointerDrag_;
  QPointer<PartsListWindow> partsList_;
  QPointer<VersionDialog> versionDialog_;
  bool shown_ = false;
};
