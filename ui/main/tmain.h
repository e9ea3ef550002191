#pragma once

#include "model/document.h"
#include "ui/main/dialogs.h"

#include <QMainWindow>
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
class TPart;

// The main window: it owns the document block, the canvas with the background and one control
// per part, the property panel, the menus, the toolbar and the dialogs. Handler names follow the
// events they serve; commands are told apart by the tag each menu item and toolbar button carries.
class TMain : public QMainWindow {
  Q_OBJECT
public:
  // Command tags: menu items and toolbar buttons carry these in QAction::data().
  enum CommandTag {
    tagFile = 0, tagNew = 1, tagOpenProject = 2, tagSaveProject = 3, tagSaveLogo = 4, tagExit = 5,
    tagView = 10, tagToolbar = 11, tagPartsList = 12,
    tagAdd = 20, tagAddText = 21, tagAddPicture = 22,
    tagBackground = 30, tagBackgroundPicture = 31, tagBackgroundFill = 32, tagNoMove = 33, tagNoResize = 34,
    tagVersionMenu = 40, tagHelp = 41, tagVersion = 42,
  };

  // `dialogs` answers every modal question; the real dialogs when none is given.
  explicit TMain(std::unique_ptr<Dialogs> dialogs = nullptr, QWidget* parent = nullptr);
  ~TMain() override;

  // ---- document state ----
  TDocument Document{};
  std::array<PictureControl*, MAX_PARTS> PartImages{};
  int Tag = BACKGROUND_TAG;  // the selection: a part index, or the background
  int DownX = 0, DownY = 0, DownWidth = 0, DownHeight = 0, DragMode = 0, HoverMode = 0;

  // ---- controls, named as in the window description ----
  QMenuBar* MM = nullptr;
  QMenu *MM1 = nullptr, *MM2 = nullptr, *MM3 = nullptr, *MM4 = nullptr, *MM5 = nullptr;
  QAction *MM1_1 = nullptr, *MM1_2 = nullptr, *MM1_3 = nullptr, *MM1_4 = nullptr, *MM1_5 = nullptr;
  QAction *MM2_1 = nullptr, *MM2_2 = nullptr, *MM3_1 = nullptr, *MM3_2 = nullptr;
  QAction *MM4_1 = nullptr, *MM4_2 = nullptr, *MM4_3 = nullptr, *MM4_4 = nullptr;
  QAction *MM5_1 = nullptr, *MM5_2 = nullptr;
  QToolBar* TB = nullptr;
  QWidget* Panel1 = nullptr;
  QScrollArea* SB = nullptr;
  QWidget* Canvas = nullptr;  // SB's content: canvas coordinates are its coordinates
  PictureControl* Image = nullptr;
  QStatusBar* StatusBar = nullptr;

  QGroupBox *FGB = nullptr, *GroupBox1 = nullptr, *BGB = nullptr, *MGB = nullptr;
  QLineEdit* FStr = nullptr;
  ColourPanel *FCol = nullptr, *FBac = nullptr, *FShaC = nullptr;
  QCheckBox* FBfl = nullptr;
  QToolButton *SpeedButton1 = nullptr, *SpeedButton2 = nullptr, *SpeedButton3 = nullptr,
              *SpeedButton4 = nullptr, *SpeedButton5 = nullptr;
  QComboBox *FShaX = nullptr, *FShaY = nullptr;
  QLineEdit *ItemX = nullptr, *ItemY = nullptr;

  Dialogs& dialogs() { return *dialogs_; }
  QAction* action(int tag) const;
  QToolButton* toolButton(int tag) const;

  // ---- command dispatch ----
  void MenuItemClick(QAction* sender);
  void ToolButtonClick(int tag);

  // ---- commands and the operations they share ----
  void New();
  void CentreBackground();
  void FillBackground(Colour colour);
  void OpenProject();
  // Opens the project at `path` with Open's checks and messages, without a dialog or a question.
  void openProjectFile(const QString& path);
  // The project named on the command line, opened as Open would open it; call once shown.
  void openProjectAtStart(const QString& path);
  // True when the file was written; false when the dialog was cancelled. Throws on a failed write.
  bool SaveProject();
  void SaveLogo();
  bool AddPart(PartKind kind);
  // A picture part from `path`, as add picture makes it once its dialog has answered: nothing
  // when the table is full, nothing added (and the failure thrown) when the file cannot be read.
  PictureControl* addPicturePart(const QString& path);
  void BackgroundPicture();
  void BackgroundFill();
  void OpenPartsList();
  void ClosePartsList();
  void ShowHelp();
  void ShowVersion();

  // ---- unsaved work ----
  // What Save would write now: the block with the background's and every part's bounds in it.
  TDocument documentAsSaved() const;
  // Whether that differs from what was last saved, opened or started afresh.
  bool isModified() const;

  PictureControl* BuildPartControl(const TPartData& record);
  void RenderTextPart(const TPartData& record);
  void LoadPicture(PictureControl* control, const QString& path);
  void CopyBounds();
  // Every part control's bounds into its record of `doc`.
  void copyPartBounds(TDocument& doc) const;
  // Builds a control for every record in use; returns what could not be shown, one per line.
  QStringList RebuildPartControls();
  void AppendPartRow(const TPartData& record);
  void RemovePart(int index);
  void FreePartControls();

  // ---- property panel ----
  PictureControl* selectedControl() const;
  void EditChange(QLineEdit* sender);
  void PanelClick(ColourPanel* sender);
  void SpeedButtonClick(QToolButton* sender);
  void CheckBoxClick();
  void ComboBoxChange(QComboBox* sender);
  void PanelReset();

  // ---- canvas pointer interaction ----
  void ImageMouseDown(PictureControl* sender, Qt::MouseButton button, QPoint at);
  void ImageMouseMove(PictureControl* sender, QPoint at);
  void ImageMouseUp(PictureControl* sender, Qt::MouseButton button, QPoint at);
  // A part chosen in the parts list: the press at its centre, with no drag armed.
  void SelectPart(int index);

protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

private:
  void FormCreate();
  void FormShow();
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
  bool shown_ = false;
};

extern TMain* Main;
