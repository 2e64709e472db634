#pragma once
// The real window on a scripted desktop, with its program folder in a temporary folder.
#include <gtest/gtest.h>

#include <QApplication>
#include <memory>
#include <string>

#include "core/recording_desktop.h"
#include "support/temp_folder.h"
#include "ui/main_window.h"

namespace kestrum::testing {

class WindowTest : public ::testing::Test {
 protected:
  WindowTest() {
    program.ctx.desktop = &desktop;
    window = std::make_unique<ui::MainWindow>(program.ctx);
    program.ctx.window = window.get();
  }
  ~WindowTest() override {
    if (window) window->setControlsEnabled(true);
  }

  Context& ctx() { return program.ctx; }
  // Texts of the messages shown so far.
  std::vector<std::string> messageTexts() const;
  // The application log as written so far.
  std::string logText();
  void click(QWidget* widget);

  TestProgram program;
  ScriptedDesktop desktop;
  std::unique_ptr<ui::MainWindow> window;
};

// Lets queued events (deferred messages, layout) run.
void SettleEvents();

}  // namespace kestrum::testing
