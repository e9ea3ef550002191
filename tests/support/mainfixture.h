#pragma once

#include "app/application.h"
#include "support/scripteddialogs.h"
#include "ui/main/picturecontrol.h"
#include "ui/main/mainwindow.h"

#include <gtest/gtest.h>

#include <QTest>

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

  MainWindow& w() { return *window; }
  PictureControl* part(int i) { return window->partControls[static_cast<size_t>(i)]; }

  ScriptedDialogs* dialogs = nullptr;
  std::unique_ptr<MainWindow> window;
  QList<std::pair<QString, QString>> reports;
};
