#pragma once

#include "app/application.h"
#include "support/scripteddialogs.h"
#include "ui/main/colourpanel.h"
#include "ui/main/mainwindow.h"
#include "ui/main/picturecontrol.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include <memory>

// A shown main window with scripted dialogs; errors reaching the top-level report are recorded.
class MainWindowTest : public ::testing::Test {
protected:
  void SetUp() override {
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
  PictureControl* part(int i) { return window->partControl(i); }

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
};
