// The context menus of the links and images lists; the commands themselves are the engine's.
#include <QAction>
#include <QDateTime>
#include <QMenu>
#include <QPrinter>
#include <QTextDocument>

#include "core/app_log.h"
#include "core/identity.h"
#include "dissect/list_commands.h"
#include "ui/main_window.h"
#include "ui/report_list.h"
#include "ui/rich_text_pane.h"
#include "ui/rich_text_printer.h"

namespace kestrum::ui {
namespace {
// The lists print as plain lines; half an inch keeps them clear of the paper's edge.
constexpr int kPrintMarginTwips = 720;
}  // namespace

std::string MainWindow::selectedItem(const ReportList& list) const {
  const QModelIndex current = list.currentIndex();
  if (current.isValid() && static_cast<size_t>(current.row()) < list.count())
    return list.item(static_cast<size_t>(current.row()));
  // A list shows its first item as selected until another is chosen.
  return list.count() > 0 ? list.item(0) : std::string();
}

void MainWindow::buildListMenus() {
  mnuLinks = new QMenu(this);
  mnuLinks->setObjectName(QStringLiteral("mnuLinks"));
  // A menu item runs its command on the list's selected item.
  auto item_action = [this](QMenu* menu, const ReportList* list, const char* name, const char* caption,
                            std::function<void(const std::string&)> command) {
    QAction* action =
        menu->addAction(QString::fromUtf8(caption), this, [this, list, command] { command(selectedItem(*list)); });
    action->setObjectName(QString::fromUtf8(name));
    return action;
  };
  auto link_action = [this, item_action](const char* name, const char* caption,
                                         std::function<void(const std::string&)> command) {
    return item_action(mnuLinks, lvwLinks, name, caption, std::move(command));
  };
  auto query = [this](ReputationSite site) {
    return [this, site](const std::string& item) { PerformReputationQuery(ctx_, site, item); };
  };
  mnuLNKCopy = link_action("mnuLNKCopy", "Copy URL to clipboard",
                           [this](const std::string& item) { CopyItemToClipboard(ctx_, item); });
  mnuLinks->addSeparator();
  mnuLNKDownload = link_action("mnuLNKDownload", "Download file",
                               [this](const std::string& item) { DownloadLinkedFile(ctx_, item); });
  mnuLNKDissect = link_action("mnuLNKDissect", "Dissect this link", [this](const std::string& item) {
    DissectListItem(ctx_, item, own_executable.toStdString());
  });
  mnuSendToTavrin =
      link_action("mnuSendToTavrin", "Send to Tavrin", [this](const std::string& item) { SendToTavrin(ctx_, item); });
  mnuLinks->addSeparator();
  mnuLNKOpen = link_action("mnuLNKOpen", "Open in web browser",
                           [this](const std::string& item) { OpenItemInBrowser(ctx_, item); });
  mnuLinks->addSeparator();
  mnuLNKBraxel = link_action("mnuLNKBraxel", "Perform Braxel Online query", query(ReputationSite::Braxel));
  mnuLNKMDL = link_action("mnuLNKMDL", "Perform Malware Domain List query", query(ReputationSite::MalwareDomainList));
  mnuLNKSA = link_action("mnuLNKSA", "Perform SiteAdvisor query", query(ReputationSite::SiteAdvisor));
  mnuLNKTSC = link_action("mnuLNKTSC", "Perform TrustedSource query", query(ReputationSite::TrustedSource));
  mnuLNKWS = link_action("mnuLNKWS", "Perform WebSniffer query", query(ReputationSite::WebSniffer));
  mnuLNKWOT = link_action("mnuLNKWOT", "Perform Web Of Trust query", query(ReputationSite::WebOfTrust));
  mnuLinks->addSeparator();
  mnuLNKSave = link_action("mnuLNKSave", "Save found links to file",
                           [this](const std::string&) { SaveFoundLinks(ctx_, false); });
  mnuLNKSaveExt = link_action("mnuLNKSaveExt", "Save found links to file (Extended)",
                              [this](const std::string&) { SaveFoundLinks(ctx_, true); });
  mnuLinks->addSeparator();
  mnuLNKPrint =
      link_action("mnuLNKPrint", "Send to Printer", [this](const std::string&) { PrintList(ListKind::Links); });

  mnuImages = new QMenu(this);
  mnuImages->setObjectName(QStringLiteral("mnuImages"));
  auto image_action = [this, item_action](const char* name, const char* caption,
                                          std::function<void(const std::string&)> command) {
    return item_action(mnuImages, lvwImages, name, caption, std::move(command));
  };
  mnuIMGCopy = image_action("mnuIMGCopy", "Copy URL to clipboard",
                            [this](const std::string& item) { CopyItemToClipboard(ctx_, item); });
  mnuIMGOpen = image_action("mnuIMGOpen", "Open in web browser",
                            [this](const std::string& item) { OpenItemInBrowser(ctx_, item); });
  mnuImages->addSeparator();
  mnuIMGBraxel = image_action("mnuIMGBraxel", "Perform Braxel Online query", query(ReputationSite::Braxel));
  mnuIMGMDL = image_action("mnuIMGMDL", "Perform Malware Domain List query", query(ReputationSite::MalwareDomainList));
  mnuIMGSA = image_action("mnuIMGSA", "Perform SiteAdvisor query", query(ReputationSite::SiteAdvisor));
  mnuIMGWOT = image_action("mnuIMGWOT", "Perform Web Of Trust query", query(ReputationSite::WebOfTrust));
  mnuImages->addSeparator();
  mnuIMGSave =
      image_action("mnuIMGSave", "Save found images to file", [this](const std::string&) { SaveFoundImages(ctx_); });
  mnuIMGPrint =
      image_action("mnuIMGPrint", "Send to printer", [this](const std::string&) { PrintList(ListKind::Images); });

  for (const auto& [its_list, its_menu] : {std::pair{lvwLinks, mnuLinks}, std::pair{lvwImages, mnuImages}}) {
    ReportList* list = its_list;
    QMenu* menu = its_menu;
    list->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list, &QWidget::customContextMenuRequested, this, [this, list, menu](const QPoint& at) {
      ListMenu(*list, *menu, list->viewport()->mapToGlobal(at), list->indexAt(at));
    });
  }
}

void MainWindow::ListMenu(ReportList& list, QMenu& menu, const QPoint& global_position, const QModelIndex& under) {
  // An empty list has nothing to act on.
  if (list.count() == 0) return;
  if (under.isValid()) list.setCurrentIndex(under);
  menu.popup(global_position);
}

void MainWindow::PrintList(ListKind kind) {
  const QDateTime now = QDateTime::currentDateTime();
  std::tm when{};
  when.tm_year = now.date().year() - 1900;
  when.tm_mon = now.date().month() - 1;
  when.tm_mday = now.date().day();
  when.tm_wday = now.date().dayOfWeek() % 7;
  when.tm_hour = now.time().hour();
  when.tm_min = now.time().minute();
  when.tm_sec = now.time().second();
  RichTextPane page;
  page.setText(ListPrintout(ctx_, kind == ListKind::Links ? *lvwLinks : *lvwImages, kind, when));
  QTextDocument document;
  CopyWithFormats(page, document);
  constexpr PrintMargins kListMargins{kPrintMarginTwips, kPrintMarginTwips, kPrintMarginTwips, kPrintMarginTwips};
  RunPrintJob(ctx_, document, kind == ListKind::Links ? QStringLiteral("Links") : QStringLiteral("Images"),
              printer_for_job, kListMargins);
}

}  // namespace kestrum::ui
