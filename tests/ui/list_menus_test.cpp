// The links and images menus on the real window, against a site and kestrum-services on 127.0.0.1.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QAction>
#include <QMenu>
#include <QPrinter>
#include <QProcess>
#include <QTest>
#include <chrono>
#include <filesystem>
#include <thread>

#include "core/ini_profile.h"
#include "core/settings.h"
#include "core/text.h"
#include "dissect/list_commands.h"
#include "net/connection_state.h"
#include "net/table_resolver.h"
#include "service_process.h"
#include "support/local_server.h"
#include "ui/qt_desktop.h"
#include "ui/report_list.h"
#include "ui/rich_text_pane.h"
#include "window_fixture.h"

namespace kestrum::testing {
namespace {

std::vector<std::string> Captions(const QMenu& menu) {
  std::vector<std::string> captions;
  for (const QAction* action : menu.actions())
    if (!action->isSeparator()) captions.push_back(action->text().toStdString());
  return captions;
}

std::string PdfText(const std::string& path) {
  QProcess convert;
  convert.start(QStringLiteral("pdftotext"),
                {QStringLiteral("-layout"), QString::fromStdString(path), QStringLiteral("-")});
  convert.waitForFinished(20000);
  return convert.readAllStandardOutput().toStdString();
}

class ListMenusTest : public WindowTest {
 protected:
  ListMenusTest() {
    OverrideConnectionStateForTesting(true);
    program.ctx.resolver = &resolver;
    resolver.addHost("127.0.0.1", {"127.0.0.1"});
    resolver.addName("127.0.0.1", "localhost");
    site.server().Get("/get.php", [](const httplib::Request&, httplib::Response& r) {
      r.set_content(std::string("MZ\x90\x00 sample bytes", 17), "application/octet-stream");
    });
    site.server().Get("/page.html", [](const httplib::Request&, httplib::Response& r) {
      r.set_content("<html><a href=\"/next.html\">next</a></html>", "text/html");
    });
    site.start();
    WriteSetting(program.ctx, "Services", "KestrumServices", site.url(""));
    window->show();
  }
  ~ListMenusTest() override { OverrideConnectionStateForTesting(std::nullopt); }

  void fillLinks(const std::vector<std::string>& items) {
    window->lvwLinks->clear();
    window->lvwLinks->addMany(items);
  }
  // Runs a menu item on the list's item at `row`, as a right click there and a choice would.
  void choose(QAction* action, ui::ReportList* list, int row = 0) {
    list->setCurrentIndex(list->listModel()->index(row, 0));
    action->trigger();
  }

  TableResolver resolver;
  LocalServer site;
};

TEST_F(ListMenusTest, MenusHoldEveryCommandInOrderAndOpenOnlyOnAListWithItems) {
  EXPECT_EQ(Captions(*window->mnuLinks),
            (std::vector<std::string>{
                "Copy URL to clipboard", "Download file", "Dissect this link", "Send to Tavrin", "Open in web browser",
                "Perform Braxel Online query", "Perform Malware Domain List query", "Perform SiteAdvisor query",
                "Perform TrustedSource query", "Perform WebSniffer query", "Perform Web Of Trust query",
                "Save found links to file", "Save found links to file (Extended)", "Send to Printer"}));
  EXPECT_EQ(Captions(*window->mnuImages),
            (std::vector<std::string>{"Copy URL to clipboard", "Open in web browser", "Perform Braxel Online query",
                                      "Perform Malware Domain List query", "Perform SiteAdvisor query",
                                      "Perform Web Of Trust query", "Save found images to file", "Send to printer"}));

  // A right click asks the list for its menu at the pointer.
  auto right_click = [](ui::ReportList* list, const QPoint& at) { emit list->customContextMenuRequested(at); };
  window->showView(ui::kModeLinks);
  right_click(window->lvwLinks, QPoint(20, 5));
  EXPECT_FALSE(window->mnuLinks->isVisible());
  fillLinks({"http://a.test/1", "http://b.test/2"});
  SettleEvents();
  const QRect second = window->lvwLinks->visualRect(window->lvwLinks->listModel()->index(1, 0));
  right_click(window->lvwLinks, second.center());
  EXPECT_TRUE(window->mnuLinks->isVisible());
  EXPECT_EQ(window->lvwLinks->currentIndex().row(), 1);  // the item under the pointer is the one acted on
  window->mnuLinks->close();
  window->showView(ui::kModeImages);
  right_click(window->lvwImages, QPoint(20, 5));
  EXPECT_FALSE(window->mnuImages->isVisible());
}

TEST_F(ListMenusTest, SingleItemCommandsOpenTheSiteOrRefuseWhatIsNoAddress) {
  WriteSetting(program.ctx, "Services", "WebOfTrust", "https://wot.example/");
  WriteSetting(program.ctx, "Services", "WebSniffer", "https://sniff.example");
  WriteSetting(program.ctx, "Services", "TrustedSource", "https://ts.example");
  struct Case {
    QAction* action;
    std::string item;
    std::string opened;  // empty: refused with the not-a-URL message
  };
  const std::vector<Case> cases = {
      {window->mnuLNKOpen, "http://host.test/dir/page.htm", "http://host.test"},
      {window->mnuLNKWOT, "https://host.test:8080/x", "https://wot.example/en/scorecard/host.test"},
      {window->mnuLNKWS, "https://host.test:8080/x", "https://sniff.example/?url=https://host.test"},
      {window->mnuLNKTSC, "http://host.test/a", "https://ts.example/TS?do=feedback&subdo=query&q=host.test"},
      {window->mnuLNKBraxel, "http://host.test/a", site.url("") + "/?s=host.test"},
      {window->mnuLNKOpen, "/about.html", ""},
      {window->mnuLNKSA, "/about.html", ""},
  };
  for (const auto& c : cases) {
    desktop.opened.clear();
    desktop.messages.clear();
    fillLinks({c.item});
    choose(c.action, window->lvwLinks);
    if (c.opened.empty()) {
      EXPECT_TRUE(desktop.opened.empty()) << c.item;
      ASSERT_EQ(desktop.messages.size(), 1u) << c.item;
      EXPECT_EQ(desktop.messages[0].text, kNotAUrlMessage);
      EXPECT_EQ(desktop.messages[0].icon, MessageIcon::None);
    } else {
      EXPECT_EQ(desktop.opened, std::vector<std::string>{c.opened}) << c.action->text().toStdString();
    }
  }

  window->lvwImages->addMany({"http://img.test/a  b.png"});
  choose(window->mnuIMGCopy, window->lvwImages);
  EXPECT_EQ(desktop.clipboardText(), "http://img.test/ab.png");
}

TEST_F(ListMenusTest, DownloadSavesAnOwnerOnlySampleAndOffersItsFolder) {
  fillLinks({site.url("/get.php?file=setup.exe")});
  const std::string target = program.root.file("setup.exe");
  desktop.scriptSaveFile(target);
  desktop.scriptAnswers({MessageAnswer::Yes});
  const std::string caption_before = window->caption();
  choose(window->mnuLNKDownload, window->lvwLinks);

  EXPECT_EQ(program.root.read("setup.exe"), std::string("MZ\x90\x00 sample bytes", 17));
  struct stat info {};
  ASSERT_EQ(::stat(target.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, 0600u);
  ASSERT_EQ(desktop.messages.size(), 1u);
  EXPECT_EQ(desktop.messages[0].text, "File downloaded, would you like to open the containing folder?");
  EXPECT_EQ(desktop.opened, std::vector<std::string>{program.root.path()});  // the folder, never the file
  EXPECT_EQ(window->caption(), caption_before);
  EXPECT_TRUE(Contains(logText(), "Downloading file to: " + target));
  EXPECT_TRUE(Contains(logText(), "Opening: " + program.root.path()));
}

TEST(SuggestedDownloadName, TakesTheLastPieceOfTheLink) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"http://host/get.php?file=setup.exe", "setup.exe"},
      {"http://host/dir/tool  kit.zip ", "toolkit.zip"},  // double blanks gone, one trailing blank dropped
      {"http://host/a=b/c.exe", "c.exe"},
      {"http://host/dir/", ""},
      {"http://host/x?a=1&b=", ""},
      {"http://host/..", ""},
  };
  for (const auto& [link, name] : cases) EXPECT_EQ(SuggestedDownloadName(link), name) << link;
}

TEST_F(ListMenusTest, FailedDownloadShowsTheWarningAndCancelDownloadsNothing) {
  fillLinks({"http://127.0.0.1:" + std::to_string(UnusedLoopbackPort()) + "/x/tool.exe"});
  desktop.scriptSaveFile(std::nullopt);
  choose(window->mnuLNKDownload, window->lvwLinks);
  EXPECT_TRUE(desktop.messages.empty());

  desktop.scriptSaveFile(program.root.file("tool.exe"));
  choose(window->mnuLNKDownload, window->lvwLinks);
  ASSERT_EQ(desktop.messages.size(), 1u);
  EXPECT_EQ(desktop.messages[0].icon, MessageIcon::Exclamation);
  EXPECT_EQ(desktop.messages[0].text,
            "I'm sorry, I was unable to download this file. Possible causes are;\r\n\r\n"
            "1. The server rejected the request\r\n2. Your computer is blocking access to the server\r\n"
            "3. You specified an invalid filename\r\n\r\nPlease check and try again");
  EXPECT_FALSE(std::filesystem::exists(program.root.file("tool.exe")));
}

TEST_F(ListMenusTest, DissectThisLinkStartsTheProgramOrFetchesInPlace) {
  window->own_executable = QStringLiteral("/opt/kestrum/bin/kestrum");
  const std::string link = site.url("/page.html");
  // A blank would let the new instance read " /f:" as its own switch and write a file.
  fillLinks({link, "/relative.html", "http://x.test/a /f:/tmp/out.txt"});
  choose(window->mnuLNKDissect, window->lvwLinks);
  ASSERT_EQ(desktop.started.size(), 1u);
  EXPECT_EQ(desktop.started[0].program, "/opt/kestrum/bin/kestrum");
  EXPECT_EQ(desktop.started[0].arguments, std::vector<std::string>{link});

  for (int refused : {1, 2}) choose(window->mnuLNKDissect, window->lvwLinks, refused);
  EXPECT_EQ(desktop.started.size(), 1u);
  ASSERT_EQ(desktop.messages.size(), 2u);
  for (const auto& message : desktop.messages) {
    EXPECT_EQ(message.text, kNotAUrlMessage);
    EXPECT_EQ(message.icon, MessageIcon::Exclamation);
  }

  WriteSetting(program.ctx, "Settings", "chkLaunchProc", "0");
  choose(window->mnuLNKDissect, window->lvwLinks);
  EXPECT_EQ(desktop.started.size(), 1u);
  EXPECT_EQ(window->addressText(), link);
  const std::string source = window->rtfSource->text();
  EXPECT_TRUE(Contains(source, "<a href=\"/next.html\">")) << source;
  // Only the fetch ran: the placeholders of the header block stay unfilled.
  for (const char* placeholder : {"Braxel Status: \r\n", "MDL Status: \r\n", "[SCRIPTS]", "[IFRAMES]"})
    EXPECT_TRUE(Contains(source, placeholder)) << placeholder;
}

// The program is started for real: the argument arrives whole, however the link is written.
TEST_F(ListMenusTest, DissectThisLinkHandsTheLinkAsOneArgument) {
  ui::QtDesktop real_desktop;
  program.ctx.desktop = &real_desktop;
  window->own_executable = QStringLiteral(ARG_RECORDER);
  const std::string record = program.root.file("arguments");
  qputenv("KESTRUM_ARG_RECORD", QByteArray::fromStdString(record));
  const std::string link = "http://127.0.0.1:1/a?x=1&y=$(touch${IFS}pwned);\"q\"|cat";
  fillLinks({link});
  choose(window->mnuLNKDissect, window->lvwLinks);
  for (int waited = 0; waited < 10000 && !std::filesystem::exists(record); waited += 20)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  qunsetenv("KESTRUM_ARG_RECORD");
  program.ctx.desktop = &desktop;
  EXPECT_EQ(program.root.read("arguments"), link + std::string(1, '\0'));
  EXPECT_FALSE(std::filesystem::exists("pwned"));
}

TEST_F(ListMenusTest, SendToTavrinAsksOnceForAnExecutable) {
  fillLinks({"http://x.test/a  b"});
  program.root.write("notes.txt", "not a program");
  struct Case {
    std::optional<std::string> chosen;
    bool started;
  };
  const std::vector<Case> cases = {{std::nullopt, false},
                                   {program.root.file("missing"), false},
                                   {program.root.file("notes.txt"), false},
                                   {std::string(ARG_RECORDER), true}};
  for (const auto& c : cases) {
    desktop.messages.clear();
    desktop.scriptOpenFile(c.chosen);
    choose(window->mnuSendToTavrin, window->lvwLinks);
    ASSERT_EQ(desktop.messages.size(), 1u);
    EXPECT_EQ(desktop.messages[0].text, "Please tell me where Tavrin is located ...");
    EXPECT_EQ(ReadSetting(program.ctx, "Settings", "TV", ""), c.started ? ARG_RECORDER : "");
    EXPECT_EQ(desktop.started.size(), c.started ? 1u : 0u);
  }
  // Stored once, used without asking; the item goes unchanged.
  desktop.messages.clear();
  choose(window->mnuSendToTavrin, window->lvwLinks);
  EXPECT_TRUE(desktop.messages.empty());
  ASSERT_EQ(desktop.started.size(), 2u);
  EXPECT_EQ(desktop.started[1].program, ARG_RECORDER);
  EXPECT_EQ(desktop.started[1].arguments, std::vector<std::string>{"http://x.test/a  b"});
}

TEST_F(ListMenusTest, SavesWriteOneLinePerItem) {
  program.ctx.current_host = "site.test";
  fillLinks({"http://a.test/x  y", "/about.html", "mailto:me@a.test"});
  window->lvwImages->addMany({"/logo.png", "http://i.test/a  .gif"});
  desktop.scriptSaveFile(program.root.file("links.txt"));
  choose(window->mnuLNKSave, window->lvwLinks);
  EXPECT_EQ(program.root.read("links.txt"), "http://a.test/xy\r\nhttp://site.test/about.html\r\nmailto:me@a.test\r\n");
  desktop.scriptSaveFile(program.root.file("images.txt"));
  choose(window->mnuIMGSave, window->lvwImages);
  EXPECT_EQ(program.root.read("images.txt"), "/logo.png\r\nhttp://i.test/a.gif\r\n");
  desktop.scriptSaveFile(std::nullopt);
  choose(window->mnuLNKSave, window->lvwLinks);  // cancelled: nothing written, nothing said
  EXPECT_TRUE(desktop.messages.empty());
}

TEST_F(ListMenusTest, ExtendedSaveResolvesAndLooksUpEachLinkAtTheServices) {
  TempFolder lists;
  lists.write("braxel.txt", "127.0.0.1 localhost ATS\n");
  lists.write("mdl.txt", "localhost\n");
  lists.write("phishtank.txt", "http://127.0.0.1:9/phish.html\n");
  lists.write("netblocks.txt", "");
  ServiceProcess services({"--data", lists.path()});
  WriteSetting(program.ctx, "Services", "KestrumServices", "http://127.0.0.1:" + std::to_string(services.port()));
  resolver.addHost("www.site.test", {"127.0.0.1", "127.0.0.2"});
  resolver.addName("127.0.0.2", "second.test");
  program.ctx.current_host = "www.site.test";
  fillLinks({"http://127.0.0.1:9/phish.html", "http://www.site.test/a", "/rel.html"});
  desktop.scriptSaveFile(program.root.file("extended.txt"));
  const std::string caption_before = window->caption();
  choose(window->mnuLNKSaveExt, window->lvwLinks);

  const std::string rule = "------------------------------";
  EXPECT_EQ(program.root.read("extended.txt"),
            rule +
                "\r\nURL: http://127.0.0.1:9/phish.html\r\n\tHostname: localhost\r\n\tIP: 127.0.0.1\r\n"
                "\tIP PTR: localhost\r\n\tBraxel Status: Listed||ATS\r\n\tMDL Status: Listed\r\n"
                "\tPhishTank Status: Listed\r\n" +
                rule + "\r\n" + rule +
                "\r\nURL: http://www.site.test/a\r\n\tHostname: www.site.test\r\n\tIP0: 127.0.0.1\r\n"
                "\tIP0 PTR: localhost\r\n\tIP1: 127.0.0.2\r\n\tIP1 PTR: second.test\r\n"
                "\tBraxel Status: Not Listed\r\n\tMDL Status: Not Listed\r\n\tPhishTank Status: Not Listed\r\n" +
                rule + "\r\nhttp://www.site.test/rel.html\r\n");
  EXPECT_EQ(window->caption(), caption_before);
  EXPECT_TRUE(std::filesystem::exists(program.storage() + "/braxel.txt"));
}

// Records whether the window took input at each pass of its events.
class WatchingDesktop : public ScriptedDesktop {
 public:
  explicit WatchingDesktop(MainView& window) : window_(window) {}
  void processEvents() override { enabled_at_passes.push_back(window_.controlsEnabled()); }
  std::vector<bool> enabled_at_passes;

 private:
  MainView& window_;
};

TEST_F(ListMenusTest, ExtendedSaveWithTheServicesDownSaysUnknownAndHoldsTheWindow) {
  WriteSetting(program.ctx, "Services", "KestrumServices", "http://127.0.0.1:" + std::to_string(UnusedLoopbackPort()));
  WatchingDesktop watching(*window);
  program.ctx.desktop = &watching;
  fillLinks({"http://127.0.0.1:9/x"});
  watching.scriptSaveFile(program.root.file("extended.txt"));
  choose(window->mnuLNKSaveExt, window->lvwLinks);
  program.ctx.desktop = &desktop;
  const std::string saved = program.root.read("extended.txt");
  EXPECT_TRUE(Contains(saved, "\tBraxel Status: Unknown\r\n\tMDL Status: Unknown\r\n\tPhishTank Status: Unknown\r\n"))
      << saved;
  // Events ran while it worked, but no second command could start inside it.
  ASSERT_FALSE(watching.enabled_at_passes.empty());
  EXPECT_EQ(std::count(watching.enabled_at_passes.begin(), watching.enabled_at_passes.end(), true), 0);
  EXPECT_TRUE(window->controlsEnabled());
}

TEST_F(ListMenusTest, BothListsPrintTheirLinesToPdf) {
  const std::string pdf = program.root.file("printout.pdf");
  window->printer_for_job = [pdf] {
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(QString::fromStdString(pdf));
    return printer;
  };
  window->setAddressText("http://site.test/");
  fillLinks({"http://a.test/1", "http://b.test/2", "http://c.test/3"});
  window->lvwImages->addMany({"/logo.png"});
  struct Case {
    QAction* action;
    const char* heading;
    std::vector<std::string> items;
    const char* count;
  };
  for (const Case& c : {Case{window->mnuLNKPrint,
                             "Kestrum Desktop Edition extraction results for: http://site.test/",
                             {"http://a.test/1", "http://b.test/2", "http://c.test/3"},
                             "3 items found"},
                        Case{window->mnuIMGPrint,
                             "Kestrum Desktop Edition image extraction results for: http://site.test/",
                             {"/logo.png"},
                             "1 items found"}}) {
    std::filesystem::remove(pdf);
    choose(c.action, c.action == window->mnuIMGPrint ? window->lvwImages : window->lvwLinks);
    const std::string text = PdfText(pdf);
    std::vector<std::string> lines;
    for (const auto& line : Split(text, "\n")) lines.emplace_back(TrimBlank(line));
    ASSERT_GE(lines.size(), 6u) << text;
    EXPECT_EQ(lines[0], std::string(65, '*'));
    EXPECT_EQ(lines[1], c.heading);
    EXPECT_TRUE(StartsWith(lines[2], "Date: ")) << lines[2];
    EXPECT_TRUE(StartsWith(lines[3], "Time: ")) << lines[3];
    EXPECT_EQ(lines[4], std::string(65, '*'));
    for (size_t i = 0; i < c.items.size(); ++i) {
      EXPECT_EQ(lines[5 + 2 * i], c.items[i]);
      EXPECT_EQ(lines[6 + 2 * i], "");
    }
    EXPECT_EQ(lines[5 + 2 * c.items.size()], c.count);
  }
  EXPECT_TRUE(desktop.messages.empty());
}

}  // namespace
}  // namespace kestrum::testing
