// kestrum: the window, with the program's own command line.
#include <QApplication>
#include <QDir>
#include <QTimer>
#include <cstdio>
#include <cstring>

#include "core/context.h"
#include "core/exit_codes.h"
#include "core/identity.h"
#include "core/memory_views.h"
#include "core/recording_desktop.h"
#include "core/startup.h"
#include "net/system_resolver.h"
#include "ui/main_window.h"
#include "ui/qt_desktop.h"
#include "ui/startup_sequence.h"

namespace {

// --help and --version answer before anything else starts, with or without a display.
bool AnswerInformationRequest(int argc, char** argv) {
  if (argc != 2) return false;
  if (std::strcmp(argv[1], "--version") == 0) {
    std::printf("kestrum (%s) %s\n", kestrum::kProgramTitle, kestrum::VersionText().c_str());
    return true;
  }
  if (std::strcmp(argv[1], "--help") != 0) return false;
  std::printf(
      "Usage: kestrum [URL] [/n] [/f:FILE]\n"
      "Fetches and dissects a web page without rendering it.\n"
      "\n"
      "  kestrum                     the window\n"
      "  kestrum URL                 the window, dissecting URL\n"
      "  kestrum URL /f:FILE         unattended, no display needed: writes the source to FILE and ends\n"
      "  kestrum URL /n /f:FILE      the same, with the net-block owner appended\n"
      "  kestrum /ascii              writes the character table, then the window\n"
      "  kestrum --help | --version\n"
      "\n"
      "%s",
      kestrum::kExitStatusHelp);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (AnswerInformationRequest(argc, argv))
    return std::fflush(stdout) == 0 ? kestrum::kExitSuccess : kestrum::kExitOutputNotWritable;
  kestrum::Context ctx = kestrum::MakeProgramContext(argv[0]);
  kestrum::SystemResolver resolver;
  ctx.resolver = &resolver;
  const std::string command_line = kestrum::JoinCommandLine(argc, argv);

  // The unattended form needs no display: it runs on memory views and answers every question No.
  if (kestrum::PlanCommandLine(command_line).action == kestrum::StartAction::Unattended) {
    kestrum::ConsoleDesktop desktop;
    kestrum::MemoryMainView view;
    ctx.desktop = &desktop;
    ctx.window = &view;
    ctx.unattended = true;
    const kestrum::CommandLinePlan plan = kestrum::ui::RunStartup(ctx, command_line, {});
    if (ctx.quit_requested) return kestrum::kExitStorageUnusable;
    return kestrum::ui::RunUnattended(ctx, plan);
  }

  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("kestrum"));
  kestrum::ui::QtDesktop desktop;
  kestrum::ui::MainWindow window(ctx);
  desktop.setParentWindow(&window);
  ctx.desktop = &desktop;
  ctx.window = &window;
  window.manual_locations = kestrum::ui::ManualLocations(QCoreApplication::applicationDirPath());

  const kestrum::CommandLinePlan plan =
      kestrum::ui::RunStartup(ctx, command_line,
                              {[&window] { window.SetViewMode(kestrum::ui::kModeSource); },
                               [&window] { window.PrepareLists(); }, [&window] { window.RestoreWordWrap(); }});
  if (ctx.quit_requested) return kestrum::kExitStorageUnusable;  // the log's last refusal ends the start
  window.FinishStartup();
  window.show();
  // The window shows first, so the user watches the query the command line asked for.
  if (plan.action == kestrum::StartAction::InteractiveQuery)
    QTimer::singleShot(0, &window, [&window] { window.RunDissectCommand(); });
  return app.exec();
}
