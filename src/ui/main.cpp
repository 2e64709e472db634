// kestrum: the window, with the program's own command line.
#include <QApplication>
#include <QDir>
#include <QTimer>

#include "core/context.h"
#include "core/identity.h"
#include "core/memory_views.h"
#include "core/recording_desktop.h"
#include "core/startup.h"
#include "net/system_resolver.h"
#include "ui/main_window.h"
#include "ui/qt_desktop.h"
#include "ui/startup_sequence.h"

int main(int argc, char** argv) {
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
  window.FinishStartup();
  window.show();
  // The window shows first, so the user watches the query the command line asked for.
  if (plan.action == kestrum::StartAction::InteractiveQuery)
    QTimer::singleShot(0, &window, [&window] { window.RunDissectCommand(); });
  return app.exec();
}
