#pragma once

#include "app/application.h"
#include "support/scripteddialogs.h"
#include "edit/composition.h"
#include "model/projectfile.h"
#include "ui/canvas/canvasview.h"
#include "ui/panel/colourpanel.h"
#include "ui/window/mainwindow.h"
#include "ui/canvas/picturecontrol.h"
#include "ui/window/recentprojects.h"
#include "ui/parts/partslistwindow.h"
#include "ui/version/versiondialog.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <memory>

// A shown main window with scripted dialogs; errors reaching the top-level report are recorded.
class MainWindowTest : public ::testing::Test {
protected:
  void SetUp() override {
    // The projects other tests opened and saved are not this one's.
    recentProjects::clear();
    auto scripted = std::make_unique<ScriptedDialogs>();
    dialogs = scripted.get();
    window = std::make_unique<MainWindow>(std::move(scripted));
    Application::instance()->setErrorSink([this](const QString& text, const QString& caption) {
      reports.append({text, caption});
    });
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
  }

  void TearDown() override {
    Application::instance()->setErrorSink(nullptr);
    window.reset();
  }

public:
  MainWindow& w() { return *window; }
  // The composition the window edits: its records are what a save writes.
  Composition& comp() { return *window->findChild<Composition*>(u"composition"_qs); }
  const TDocument& document() { return comp().document(); }
  CanvasView* canvasView() { return child<CanvasView>("canvasScroll"); }
  // The scroll area's content: canvas coordinates are its coordinates.
  QWidget* canvas() { return canvasView()->content(); }
  PictureControl* part(int i) { return canvasView()->control(i); }
  PictureControl* backgroundControl() { return canvasView()->background(); }

  // A command, as its menu item or toolbar button runs it; what fails is reported.
  QAction* action(const char* name) { return child<QAction>(name); }
  void run(const char* name) { action(name)->trigger(); }
  QToolButton* toolButton(const char* name) {
    return qobject_cast<QToolButton*>(toolBar()->widgetForAction(action(name)));
  }
  // Adds a part through its command: true when one was added.
  bool addPart(PartKind kind) {
    const int before = document().PartCount;
    run(kind == pkText ? "addTextAction" : "addPictureAction");
    return document().PartCount == before + 1;
  }
  // Part `index`'s record replaced by `record`, as a project file holding it opens: for records no
  // edit in the window makes (bytes of no code page, values from elsewhere).
  void replaceRecord(int index, const TPartData& record) {
    TDocument changed = document();
    changed.Parts[index] = record;
    const QString path = recordDir.filePath(u"replaced.rpf"_qs);
    writeProjectFile(path, changed);
    ASSERT_TRUE(comp().open(path).refusal.isEmpty());
  }
  // Deletes part `row` as the parts list's delete button does.
  void deleteInList(int row) {
    run("partsListAction");
    partsList()->findChild<QTableWidget*>(u"partsTable"_qs)->selectRow(row);
    partsList()->findChild<QPushButton*>(u"deleteButton"_qs)->click();
  }
  // New's composition, without the question about unsaved work.
  void newComposition() { comp().startNew(canvasView()->centredTopLeft(QSize(200, 60))); }
  // Selects part `i` as a click in the parts list does.
  void selectPart(int i) { comp().select(i); }
  // The open parts list, or null; the version window while it is shown, or null.
  PartsListWindow* partsList() {
    for (PartsListWindow* list : window->findChildren<PartsListWindow*>())
      if (list->isVisible()) return list;
    return nullptr;
  }
  VersionDialog* versionDialog() { return window->findChild<VersionDialog*>(); }

  // Typing that replaces an edit's whole text, as a user selects it all and types over it; any
  // characters, as an input method delivers them.
  static void typeOver(QLineEdit* edit, const QString& text) {
    edit->selectAll();
    if (text.isEmpty()) {
      QTest::keyClick(edit, Qt::Key_Backspace);
      return;
    }
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, text);
    QCoreApplication::sendEvent(edit, &press);
  }

  // The window's controls, found by their object names as a user finds them by their places.
  template <typename T>
  T* child(const char* name) {
    T* found = window->findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
  }
  QGroupBox* textGroup() { return child<QGroupBox>("textGroup"); }
  QGroupBox* sizeGroup() { return child<QGroupBox>("sizeGroup"); }
  QGroupBox* nudgeGroup() { return child<QGroupBox>("nudgeGroup"); }
  QLineEdit* textEdit() { return child<QLineEdit>("textEdit"); }
  QLineEdit* widthEdit() { return child<QLineEdit>("widthEdit"); }
  QLineEdit* heightEdit() { return child<QLineEdit>("heightEdit"); }
  ColourPanel* textColourPanel() { return child<ColourPanel>("textColourPanel"); }
  ColourPanel* fillColourPanel() { return child<ColourPanel>("fillColourPanel"); }
  ColourPanel* shadowColourPanel() { return child<ColourPanel>("shadowColourPanel"); }
  QCheckBox* fillCheck() { return child<QCheckBox>("fillCheck"); }
  QToolButton* fontButton() { return child<QToolButton>("fontButton"); }
  QComboBox* shadowXBox() { return child<QComboBox>("shadowXBox"); }
  QComboBox* shadowYBox() { return child<QComboBox>("shadowYBox"); }
  QToolButton* nudgeUpButton() { return child<QToolButton>("nudgeUpButton"); }
  QToolButton* nudgeDownButton() { return child<QToolButton>("nudgeDownButton"); }
  QToolButton* nudgeLeftButton() { return child<QToolButton>("nudgeLeftButton"); }
  QToolButton* nudgeRightButton() { return child<QToolButton>("nudgeRightButton"); }
  QToolBar* toolBar() { return child<QToolBar>("mainToolBar"); }
  QMenu* menu(const char* name) { return child<QMenu>(name); }

  // What the mouse on a control tells the window, in the control's own coordinates.
  void press(PictureControl* c, Qt::MouseButton button, QPoint at) { Q_EMIT c->pressed(c, button, at); }
  void move(PictureControl* c, QPoint at) { Q_EMIT c->moved(c, at); }
  void release(PictureControl* c, Qt::MouseButton button, QPoint at) { Q_EMIT c->released(c, button, at); }

protected:
  ScriptedDialogs* dialogs = nullptr;
  std::unique_ptr<MainWindow> window;
  QList<std::pair<QString, QString>> reports;
  QTemporaryDir recordDir;
};
