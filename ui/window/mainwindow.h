#pragma once

#include "edit/composition.h"
#include "ui/dialogs/dialogs.h"
#include "ui/parts/partslisthost.h"

#include <QMainWindow>
#include <QPointer>
#include <QStringList>

#include <functional>
#include <memory>
#include <utility>
#include <vector>

class CanvasView;
class PropertyPanel;
class QAction;
class QLabel;
class QMenu;
class QToolBar;
class PartsListWindow;
class RecoveryCopy;
class VersionDialog;
struct LeftWork;

// The main window: it wires the composition to its views (the property panel, the canvas, the
// parts list), gives every command a named action of its own, shared by menu and toolbar, and asks
// the dialogs. What the composition holds and how it changes is the composition's; the window only
// turns the user's commands into its edits and shows what fails.
class MainWindow : public QMainWindow, private PartsListHost {
  Q_OBJECT
public:
  // `dialogs` answers every modal question; the real dialogs when none is given.
  explicit MainWindow(std::unique_ptr<Dialogs> dialogs = nullptr, QWidget* parent = nullptr);
  ~MainWindow() override;

  // The project named on the command line, opened as Open would open it; call once shown.
  void openProjectAtStart(const QString& path);
  // Offers the newest work that a window now gone left unsaved, before any project is opened at
  // start; call once shown. True when it was restored and is now the composition.
  bool offerLeftWork();
  // What the window shows at start, once shown: work left unsaved, when the user restores it, or
  // else `project` when one is named.
  void start(const QString& project);

protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

private:
  void createActions();
  void createMenus();
  void createToolBar();
  void createPanel();
  void createCanvas();
  // An action that runs `handler`, reporting what it throws.
  QAction* makeAction(const char* name, const QString& caption, void (MainWindow::*handler)());

  // ---- the commands ----
  void newProject();
  void openProject();
  // True when the file was written; false when the dialog was cancelled. Throws on a failed write.
  bool saveProject();
  void saveProjectCommand();
  void saveLogo();
  // The logo's size in pixels at `scale`: the background's times the scale.
  QSize logoSize(int scale) const;
  void undo();
  void redo();
  // The edit menu's items name what they would take back or bring back, greyed with nothing.
  void showHistory();
  // The status bar says where the selection stands, in logo pixels.
  void showPosition();
  void toggleToolBar();
  void openPartsList();
  void addTextPart();
  void addPicturePart();
  void chooseBackgroundPicture();
  void chooseBackgroundFill();
  void updateLocks();
  void showHelp();
  void showVersion();

  // ---- arranging (mainwindow_arrange.cpp) ----
  void createArrangeActions();
  QMenu* createEditMenu();
  // Greys what cannot be done with the selection, the table and the clipboard as last seen.
  void showArrangeState();
  // The clipboard seen again, by the formats it offers only: fetching another program's data is a
  // transfer, which only a paste makes.
  void showClipboardState();
  void cutPart();
  void copyPart();
  // A part from the clipboard, else the files a file manager copied, else a line of text.
  void paste();
  void duplicatePart();
  void deleteSelected();
  void selectAll();
  // What the alignments align several parts to, as the menu's choice stands.
  Composition::AlignTo alignTo() const;
  // The logo to the clipboard as "ﾛｺﾞを保存" would write it with the remembered options, up to
  // a size a clipboard can take whole.
  void copyLogo();
  static constexpr qint64 kClipboardLogoPixels = 100'000'000;
  // How long a note such as a saved logo's stands in the status bar.
  static constexpr int kNoteMilliseconds = 10000;

  // ---- work kept against a crash, and the projects last used (mainwindow_recovery.cpp) ----
  // The project the composition now belongs to: the one a logo must not replace, the one the
  // recovery copy names. Empty for a composition never saved.
  void belongTo(const QString& project);
  // Opens `work` as the composition, which it counts as unsaved: the layers that could not be
  // made, or nothing when it could not be read.
  std::optional<QStringList> restore(LeftWork&& work);
  // The file menu's recent projects, as the settings hold them now.
  void showRecentProjects();
  void openRecentProject(const QString& path);

  // The composition cleared and the background centred, without asking about unsaved work.
  void newComposition();
  // Opens the project at `path` with Open's checks and messages, without a dialog. `mayReplace`
  // (a question about unsaved work, say) is asked once the file has been read and found sound.
  void openProjectFile(
      const QString& path, const std::function<bool()>& mayReplace = [] { return true; });
  // A project file refused for what it holds, under the caption of file errors.
  void showFileRefusal(const QString& refusal);
  // Before a command drops the composition: true when it may go on (nothing changed, the user
  // saved it, or chose to drop the changes), false when the user cancelled.
  bool mayDropComposition();
  void dropFiles(const QStringList& paths, QPoint canvasPoint);
  // Pictures that could not be added: one as adding it says it, several in one message.
  void reportAddFailures(const QStringList& failures);
  // One message for every layer that could not be made.
  void reportUnloaded(const QStringList& failures);

  // ---- the property panel ----
  void showSelection();
  // Part `index` changed: the size edits follow the selection's size; while a drag is in force,
  // those the drag's rules name.
  void followSize(int index);
  void chooseColour(Composition::TextColour role);
  void chooseFont();

  // ---- the parts list's side ----
  const Composition& composition() const override;
  void selectPart(int index) override;
  void selectParts(const std::vector<int>& indices) override;
  void removePart(int index) override;
  void removeSelected() override;
  void resetPanel() override;
  std::optional<QPoint> partCentreOnScreen(int index) const override;
  PartsListWindow* partsList() const;
  void closePartsList();

  Composition* composition_ = nullptr;
  std::unique_ptr<Dialogs> dialogs_;
  QToolBar* toolBar_ = nullptr;
  PropertyPanel* panel_ = nullptr;
  CanvasView* canvasView_ = nullptr;
  QPointer<PartsListWindow> partsList_;
  bool shown_ = false;
  QString projectPath_;  // the project file last opened or saved, which a logo must never replace
  RecoveryCopy* recovery_ = nullptr;
  QMenu* recentMenu_ = nullptr;

  QAction *newAction_ = nullptr, *openProjectAction_ = nullptr, *saveProjectAction_ = nullptr,
          *saveLogoAction_ = nullptr, *exitAction_ = nullptr;
  QAction *undoAction_ = nullptr, *redoAction_ = nullptr;
  QAction *cutAction_ = nullptr, *copyAction_ = nullptr, *pasteAction_ = nullptr, *duplicateAction_ = nullptr,
          *deleteAction_ = nullptr, *selectAllAction_ = nullptr, *copyLogoAction_ = nullptr;
  std::vector<std::pair<QAction*, Composition::Order>> orderActions_;
  QList<QAction*> alignActions_, distributeActions_;
  QAction *alignToBackgroundAction_ = nullptr, *alignToSelectionAction_ = nullptr;
  bool clipboardOffersPaste_ = false;
  QAction *toolBarAction_ = nullptr, *partsListAction_ = nullptr, *snapAction_ = nullptr;
  QAction *addTextAction_ = nullptr, *addPictureAction_ = nullptr;
  QAction *backgroundPictureAction_ = nullptr, *backgroundFillAction_ = nullptr, *noMoveAction_ = nullptr,
          *noResizeAction_ = nullptr;
  QAction *helpAction_ = nullptr, *versionAction_ = nullptr;
  // The view's scale, shown at the right of the status bar.
  QAction *zoomInAction_ = nullptr, *zoomOutAction_ = nullptr, *actualSizeAction_ = nullptr;
  QLabel* scaleLabel_ = nullptr;
  QLabel *positionLabel_ = nullptr, *pointerLabel_ = nullptr;
};
