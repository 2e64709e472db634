// The commands of the view buttons, the address box, About, Help and settings.
#include <QCoreApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <QScreen>

#include "core/app_log.h"
#include "core/identity.h"
#include "core/settings.h"
#include "core/text.h"
#include "core/url_scheme.h"
#include "dissect/dissect_command.h"
#include "dissect/image_extractor.h"
#include "dissect/link_extractor.h"
#include "net/http_client.h"
#include "net/net_block.h"
#include "net/net_settings.h"
#include "ui/about_dialog.h"
#include "ui/settings_dialog.h"
#include "ui/main_window.h"
#include "ui/qt_text.h"
#include "ui/report_list.h"
#include "ui/rich_text_pane.h"
#include "ui/text_button.h"

namespace kestrum::ui {
namespace {

constexpr const char* kNoHeadersMessage =
    "For some reason, while the server returned the correct response code, it did not return any headers.";
constexpr const char* kInvalidAddressMessage = "Error: Address specified is of an invalid URL format";
constexpr const char* kNoHelpQuestion =
    "Unfortunately the help files are not presently available.\r\nWould you like to visit the online support area?";

void LogModeChange(Context& ctx, int mode) {
  WriteLog(ctx, "Mode changed to " + std::to_string(mode));
}

// Keeps the window's controls disabled while a command talks to the network, and restores them
// however the command ends.
class BusyWindow {
 public:
  explicit BusyWindow(MainView& window) : window_(window), was_enabled_(window.controlsEnabled()) {
    window_.setControlsEnabled(false);
  }
  ~BusyWindow() { window_.setControlsEnabled(was_enabled_); }
  BusyWindow(const BusyWindow&) = delete;
  BusyWindow& operator=(const BusyWindow&) = delete;

 private:
  MainView& window_;
  bool was_enabled_;
};

}  // namespace

void MainWindow::ShowSourceView() {
  SetViewMode(kModeSource);
  LogModeChange(ctx_, kModeSource);
  showPane(kModeSource);
}

void MainWindow::ShowImagesView() {
  ShowListView(kModeImages, *lvwImages,
               {"Extracting images ...", "Extracting images ....", "There are no images to view ..."},
               [this] { ExtractImages(ctx_, *lvwImages, ctx_.saved_page_file, addressText()); });
}

void MainWindow::ShowLinksView() {
  ShowListView(kModeLinks, *lvwLinks,
               {"Extracting links ...", "Extracting contents ....", "There are no links to view ..."},
               [this] { ExtractLinks(ctx_, *lvwLinks, rtfSource->text()); });
}

void MainWindow::ShowListView(int mode, ReportList& list, const ListViewTexts& texts,
                              const std::function<void()>& extract) {
  SetViewMode(mode);
  LogModeChange(ctx_, mode);
  showPane(mode);
  if (list.count() == 0) {
    const std::string kept = caption();
    setCaption(texts.caption);
    WriteLog(ctx_, texts.log_line);
    extract();
    setCaption(kept);
    if (ctx_.desktop) ctx_.desktop->processEvents();
    if (list.count() == 0) {
      if (ctx_.desktop)
        ctx_.desktop->showMessage(texts.nothing_found, kProgramTitle, MessageIcon::Information, MessageButtons::Ok);
      return;
    }
  }
  list.setSorted(true);
}

void MainWindow::ShowLogView() {
  SetViewMode(kModeLog);
  LogModeChange(ctx_, kModeLog);
  showPane(kModeLog);
  ShowLog(ctx_, *rtfLog);
}

void MainWindow::ShowOwnerInfoView() {
  BusyWindow busy(*this);
  RunNetBlockLookup(ctx_);
  // An interactive start disables the pane until there is something to show; the lookup is it.
  rtfNetBlock->setEnabled(true);
}

void MainWindow::ShowHeadersView() {
  if (rtfHeaders->text().empty()) {
    std::string reply;
    {
      BusyWindow busy(*this);
      reply = FetchHeaders(ctx_, rtfHeaders, addressText());
    }
    if (rtfHeaders->text().empty()) {
      if (ctx_.desktop)
        ctx_.desktop->showMessage(reply + "\r\n\r\n" + kNoHeadersMessage, kProgramTitle, MessageIcon::Information,
                                  MessageButtons::Ok);
      return;
    }
  }
  SetViewMode(kModeHeaders);
  LogModeChange(ctx_, kModeHeaders);
  showPane(kModeHeaders);
}

void MainWindow::RunDissectCommand() {
  {
    BusyWindow busy(*this);
    RunDissect(ctx_);
  }
  ShowSourceTop();
}

void MainWindow::onAddressChanged() {
  const std::string address = addressText();
  if (address.size() < 13) {
    lblNBlock->setEnabled(false);
    lblHeaders->setEnabled(false);
    return;
  }
  if (ToLowerAscii(address.substr(0, 7)) == "http://") {
    const bool usable = IsURL(address);
    lblNBlock->setEnabled(usable);
    lblHeaders->setEnabled(usable);
  }
}

void MainWindow::onAddressEnter() {
  if (IsURL(addressText())) {
    RunDissectCommand();
    return;
  }
  if (ctx_.desktop)
    ctx_.desktop->showMessage(kInvalidAddressMessage, kProgramTitle, MessageIcon::Exclamation, MessageButtons::Ok);
}

void MainWindow::ShowAbout() {
  if (about_) {
    about_->raise();
    return;
  }
  about_ = new AboutDialog(ctx_, this);
  about_->show();
}

void MainWindow::ShowSettings() {
  if (settings_) {
    settings_->raise();
    return;
  }
  settings_ = new SettingsDialog(ctx_, [this] { SetViewMode(ctx_.last_view_mode); }, this);
  settings_->show();
}

void MainWindow::ShowHelp() {
  for (const QString& location : manual_locations) {
    if (QFileInfo(location).isFile()) {
      const std::string manual = QFileInfo(location).absoluteFilePath().toStdString();
      if (ctx_.desktop && !ctx_.desktop->openWithDefaultHandler(manual)) {
        const std::string message = "I couldn't open the user manual. You can find it here:\r\n" + manual;
        WriteLog(ctx_, ReplaceAll(message, "\r\n", " "));
        ctx_.desktop->showMessage(message, kProgramTitle, MessageIcon::Exclamation, MessageButtons::Ok);
      }
      return;
    }
  }
  if (!ctx_.desktop) return;
  if (ctx_.desktop->showMessage(kNoHelpQuestion, kProgramTitle, MessageIcon::Question, MessageButtons::YesNo) ==
      MessageAnswer::Yes)
    ctx_.desktop->openWithDefaultHandler(SupportAddress(ctx_));
}

QStringList ManualLocations(const QString& executable_folder) {
  return {executable_folder + QStringLiteral("/kestrum-manual.html"),
          executable_folder + QStringLiteral("/../share/doc/kestrum/manual.html")};
}

std::string SupportAddress(Context& ctx) {
  return ReadSetting(ctx, "Services", "SupportURL", KestrumServicesBase(ctx) + "/support/");
}

std::string HomepageAddress(Context& ctx) {
  return ReadSetting(ctx, "Services", "HomepageURL", KestrumServicesBase(ctx) + "/");
}

void MainWindow::PrepareLists() {
  for (ReportList* list : {lvwLinks, lvwImages}) list->setHeaderVisible(true);
}

void MainWindow::FinishStartup() {
  imgAppLogo->setToolTip(QString::fromStdString(LogoTooltip()));
  hideToolsButtons();
  const Schedule schedule = ReadSchedule(ctx_);
  if (schedule.enabled) {
    countdown_start_ = schedule.countdown_start;
    tmrRequery->start();
  } else {
    tmrRequery->stop();
    tmrCountdown->stop();
  }
  if (const QScreen* screen = this->screen()) {
    const QRect area = screen->availableGeometry();
    const WindowOrigin origin =
        CenterWindow(area.width(), area.height(), frameGeometry().width(), frameGeometry().height());
    move(area.left() + origin.left, area.top() + origin.top);
  }
}

}  // namespace kestrum::ui
