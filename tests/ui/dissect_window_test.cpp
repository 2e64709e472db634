// The window against a real site on 127.0.0.1: typing an address, Enter, and the views that follow.
#include <gtest/gtest.h>

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QProcess>
#include <QScrollBar>
#include <QTest>
#include <filesystem>

#include "core/ini_profile.h"
#include "core/settings.h"
#include "core/text.h"
#include "net/connection_state.h"
#include "net/table_resolver.h"
#include "support/local_server.h"
#include "ui/report_list.h"
#include "ui/rich_text_pane.h"
#include "ui/startup_sequence.h"
#include "ui/text_button.h"
#include "window_fixture.h"

namespace kestrum::testing {
namespace {

const std::string kHostilePage =
    "<html><head><meta http-equiv=\"refresh\" content=\"5;url=http://127.0.0.1:1/next\">"
    "<script>window.location='http://127.0.0.1:1/away'</script></head>\r\n"
    "<body><b>not bold</b><a href=\"http://127.0.0.1:1/one.html\">one</a>\r\n"
    "<iframe src=\"http://127.0.0.1:1/frame\"></iframe><img src=\"/logo.png\">\r\n" +
    std::string(300'000, 'z') + "\r\n</body></html>";

class DissectWindowTest : public WindowTest {
 protected:
  DissectWindowTest() {
    OverrideConnectionStateForTesting(true);
    program.ctx.resolver = &resolver;
    resolver.addHost("127.0.0.1", {"127.0.0.1"});
    resolver.addName("127.0.0.1", "localhost");
    resolver.addHost("localhost", {"127.0.0.1"});
    site.server().Get("/page.html", [](const httplib::Request&, httplib::Response& r) {
      r.set_header("X-Served-By", "test-site");
      r.set_content(kHostilePage, "text/html");
    });
    site.server().Get("/pwinb.asp", [](const httplib::Request&, httplib::Response& r) {
      r.set_content("[CONTENT]range<b>Loopback Owner</b>[/CONTENT]", "text/html");
    });
    site.server().Get("/online.txt",
                      [](const httplib::Request&, httplib::Response& r) { r.set_content("1", "text/plain"); });
    site.start();
    WriteSetting(program.ctx, "Services", "KestrumServices", site.url(""));
    window->show();
  }
  ~DissectWindowTest() override { OverrideConnectionStateForTesting(std::nullopt); }

  void typeAddressAndPressEnter(const std::string& address) {
    window->txtAddr->clear();
    QTest::keyClicks(window->txtAddr, QString::fromStdString(address));
    QTest::keyClick(window->txtAddr, Qt::Key_Return);
  }

  TableResolver resolver;
  LocalServer site;
};

TEST_F(DissectWindowTest, EnterDissectsTheAddressIntoTheViews) {
  WriteSetting(program.ctx, "Automation", "chkAutoScanLinks", "1");
  WriteSetting(program.ctx, "Automation", "chkAutoScanImages", "1");
  typeAddressAndPressEnter(site.url("/page.html"));
  EXPECT_TRUE(window->controlsEnabled());
  // The lists filled by the scans stay behind the Source view.
  EXPECT_GE(window->lvwImages->count(), 1u);
  EXPECT_TRUE(window->lvwImages->isHidden());
  EXPECT_TRUE(window->lvwLinks->isHidden());
  EXPECT_FALSE(window->rtfSource->isHidden());

  const std::string source = window->rtfSource->text();
  EXPECT_TRUE(Contains(source, kHostilePage)) << source.substr(0, 400);
  EXPECT_TRUE(window->viewButtonEnabled(ViewButton::Source));
  EXPECT_TRUE(window->viewButtonEnabled(ViewButton::Links));
  EXPECT_TRUE(window->rtfSource->isEnabled());
  // Shown as text: the tags are characters of the document, and the frame is marked in bold red.
  EXPECT_TRUE(window->rtfSource->document()->toPlainText().contains(QStringLiteral("<b>not bold</b>")));
  const size_t frame = source.find("<iframe");
  bool frame_marked = false;
  for (const auto& run : window->rtfSource->formats())
    if (run.start <= frame && frame < run.start + run.length && run.color == kRed && run.bold) frame_marked = true;
  EXPECT_TRUE(frame_marked);

  click(window->lblLinks);
  EXPECT_GE(window->lvwLinks->count(), 1u);
  EXPECT_EQ(window->shownView(), 3);

  click(window->lblHeaders);
  EXPECT_EQ(window->shownView(), 7);
  EXPECT_TRUE(Contains(window->rtfHeaders->text(), "X-Served-By: test-site"));

  click(window->lblNBlock);
  EXPECT_EQ(window->shownView(), 5);
  EXPECT_EQ(window->rtfNetBlock->text(), "Loopback Owner");
}

TEST_F(DissectWindowTest, HeadersOfAnUnfetchedAddressComeFromTheServer) {
  window->setAddressText(site.url("/missing"));
  click(window->lblHeaders);
  ASSERT_EQ(desktop.messages.size(), 1u);
  EXPECT_TRUE(StartsWith(desktop.messages[0].text, "Server returned status code: 404"));
  EXPECT_TRUE(EndsWith(desktop.messages[0].text,
                       "\r\n\r\nFor some reason, while the server returned the correct "
                       "response code, it did not return any headers."));
  EXPECT_NE(window->shownView(), 7);

  window->setAddressText(site.url("/page.html"));
  click(window->lblHeaders);
  EXPECT_EQ(window->shownView(), 7);
  EXPECT_TRUE(Contains(window->rtfHeaders->text(), "X-Served-By: test-site"));
}

TEST_F(DissectWindowTest, AfterDissectTheHeaderBlockIsInViewAndNothingIsSelectedOrUndoable) {
  WriteSetting(program.ctx, "Automation", "chkAutoScanLinks", "1");
  typeAddressAndPressEnter(site.url("/page.html"));
  EXPECT_EQ(window->rtfSource->selectionLength(), 0u);
  EXPECT_EQ(window->rtfSource->selectionStart(), 0u);
  EXPECT_EQ(window->rtfSource->verticalScrollBar()->value(), 0);
  const std::string shown = window->rtfSource->text();
  EXPECT_FALSE(Contains(shown, "[SCRIPTS]"));
  window->rtfSource->setFocus();
  for (int i = 0; i < 3; ++i) QTest::keyClick(window->rtfSource, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(window->rtfSource->text(), shown);
}

TEST_F(DissectWindowTest, OwnerInfoLeavesThePageHeadersAndWorksAfterAnEmptyStart) {
  ui::RunStartup(ctx(), "", {});
  EXPECT_FALSE(window->rtfNetBlock->isEnabled());
  typeAddressAndPressEnter(site.url("/page.html"));
  click(window->lblNBlock);
  EXPECT_EQ(window->rtfNetBlock->text(), "Loopback Owner");
  EXPECT_TRUE(window->rtfNetBlock->isEnabled());
  EXPECT_TRUE(Contains(window->rtfHeaders->text(), "X-Served-By: test-site"));
  click(window->lblHeaders);
  EXPECT_EQ(window->shownView(), 7);
  EXPECT_TRUE(Contains(window->rtfHeaders->text(), "X-Served-By: test-site"));
}

TEST_F(DissectWindowTest, DissectThisLinkFetchesInPlaceWhenNoNewInstanceIsWanted) {
  WriteSetting(program.ctx, "Settings", "chkLaunchProc", "0");
  const std::string link = site.url("/page.html");
  window->rtfSource->setText("see " + link + " here");
  window->rtfSource->select(4, link.size());
  window->SourceMenu(QPoint(5, 5));
  window->mnuSource->hide();
  window->mnuSRCDissect->trigger();
  EXPECT_TRUE(desktop.started.empty());
  EXPECT_EQ(window->addressText(), link);
  EXPECT_TRUE(Contains(window->rtfSource->text(), kHostilePage));
}

// The unattended command line needs no display and writes the page into the file.
TEST_F(DissectWindowTest, UnattendedCommandLineWritesTheResultsFile) {
  TempFolder home;
  std::filesystem::create_directories(home.file("Storage"));
  home.write("Storage/cfg.ini", "[Services]\r\nKestrumServices=" + site.url("") +
                                    "\r\n[Settings]\r\nIsTheInternetAlive=" + site.url("/online.txt") + "\r\n");
  const std::string output = home.file("out put.txt");
  QProcess kestrum;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("KESTRUM_HOME"), QString::fromStdString(home.path()));
  environment.remove(QStringLiteral("DISPLAY"));
  environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
  kestrum.setProcessEnvironment(environment);
  kestrum.start(QStringLiteral(KESTRUM_BINARY_DIR "/bin/kestrum"),
                {QString::fromStdString(site.url("/page.html")), QStringLiteral("/n"),
                 QStringLiteral("/f:") + QString::fromStdString(output)});
  ASSERT_TRUE(kestrum.waitForFinished(60000));
  EXPECT_EQ(kestrum.exitCode(), 0) << kestrum.readAllStandardError().toStdString();
  const std::string written = ReadWholeFile(output).value_or("");
  EXPECT_TRUE(Contains(written, kHostilePage));
  EXPECT_TRUE(EndsWith(
      written, std::string(51, '*') + "\r\nNetblock Information\r\n" + std::string(51, '*') + "\r\nLoopback Owner\r\n"))
      << written.substr(written.size() > 300 ? written.size() - 300 : 0);
}

// --help and --version answer before any window or query, with or without a display; the
// unattended form gives a dead address its own exit status.
TEST_F(DissectWindowTest, HelpVersionAndExitStatusesWithoutADisplay) {
  TempFolder home;
  std::filesystem::create_directories(home.file("Storage"));
  home.write("Storage/cfg.ini", "[Settings]\r\nIsTheInternetAlive=" + site.url("/online.txt") + "\r\n");
  const QString dead = QStringLiteral("http://127.0.0.1:%1/p.html").arg(UnusedLoopbackPort());
  struct Case {
    QStringList args;
    int status;
    const char* out;
  };
  const Case cases[] = {
      {{QStringLiteral("--version")}, 0, "kestrum (Kestrum Desktop Edition) 0.3.7\n"},
      {{QStringLiteral("--help")}, 0, "  1  the fetch failed"},
      {{dead, QStringLiteral("/f:") + QString::fromStdString(home.file("out.txt"))}, 1, ""},
      {{QString::fromStdString(site.url("/page.html")),
        QStringLiteral("/f:") + QString::fromStdString(home.file("no/dir/out.txt"))},
       3,
       ""},
  };
  for (const Case& c : cases) {
    QProcess kestrum;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("KESTRUM_HOME"), QString::fromStdString(home.path()));
    environment.remove(QStringLiteral("DISPLAY"));
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    kestrum.setProcessEnvironment(environment);
    kestrum.start(QStringLiteral(KESTRUM_BINARY_DIR "/bin/kestrum"), c.args);
    ASSERT_TRUE(kestrum.waitForFinished(60000));
    const std::string out = kestrum.readAllStandardOutput().toStdString();
    EXPECT_EQ(kestrum.exitStatus(), QProcess::NormalExit) << c.args.join(' ').toStdString();
    EXPECT_EQ(kestrum.exitCode(), c.status)
        << c.args.join(' ').toStdString() << kestrum.readAllStandardError().toStdString();
    EXPECT_TRUE(Contains(out, c.out)) << out;
  }
  // Neither request was taken for an address to dissect.
  EXPECT_FALSE(Contains(ReadWholeFile(home.file("Storage/Logs/applog.log")).value_or(""), "--version"));

  // No log folder can be made and the questions are answered No: the run ends with its own status.
  TempFolder broken;
  std::filesystem::create_directories(broken.file("Storage"));
  std::filesystem::create_directories(broken.file("data/kestrum"));
  broken.write("Storage/Logs", "");
  broken.write("data/kestrum/Logs", "");
  QProcess kestrum;
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(QStringLiteral("KESTRUM_HOME"), QString::fromStdString(broken.path()));
  environment.insert(QStringLiteral("XDG_DATA_HOME"), QString::fromStdString(broken.file("data")));
  environment.remove(QStringLiteral("DISPLAY"));
  kestrum.setProcessEnvironment(environment);
  kestrum.start(QStringLiteral(KESTRUM_BINARY_DIR "/bin/kestrum"),
                {QString::fromStdString(site.url("/page.html")),
                 QStringLiteral("/f:") + QString::fromStdString(broken.file("out.txt"))});
  ASSERT_TRUE(kestrum.waitForFinished(60000));
  EXPECT_EQ(kestrum.exitCode(), 4) << kestrum.readAllStandardError().toStdString();
  EXPECT_FALSE(std::filesystem::exists(broken.file("out.txt")));
}

}  // namespace
}  // namespace kestrum::testing
