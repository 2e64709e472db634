#include "window_fixture.h"

#include <QTest>

#include "core/app_log.h"
#include "core/ini_profile.h"

namespace kestrum::testing {
namespace {

// One application object for the whole test program, on the offscreen platform.
class QtEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1;
    static char name[] = "test_ui";
    static char* argv[] = {name, nullptr};
    app_ = std::make_unique<QApplication>(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
  }
  void TearDown() override { app_.reset(); }

 private:
  std::unique_ptr<QApplication> app_;
};

const auto* const kEnvironment = ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace

std::vector<std::string> WindowTest::messageTexts() const {
  std::vector<std::string> texts;
  for (const auto& message : desktop.messages) texts.push_back(message.text);
  return texts;
}

std::string WindowTest::logText() { return ReadWholeFile(GetLogPath(program.ctx, kApplicationLog)).value_or(""); }

void WindowTest::click(QWidget* widget) { QTest::mouseClick(widget, Qt::LeftButton); }

void SettleEvents() {
  for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

}  // namespace kestrum::testing
