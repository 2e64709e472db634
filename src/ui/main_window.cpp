#include "ui/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPrinter>
#include <QResizeEvent>
#include <QScreen>

#include "core/app_log.h"
#include "core/exit_cleanup.h"
#include "core/identity.h"
#include "core/settings.h"
#include "core/text.h"
#include "core/url_scheme.h"
#include "dissect/dissect_command.h"
#include "net/http_client.h"
#include "ui/app_logo.h"
#include "ui/line_number_gutter.h"
#include "ui/qt_text.h"
#include "ui/report_list.h"
#include "ui/rich_text_pane.h"
#include "ui/rich_text_printer.h"
#include "ui/text_button.h"
#include "ui/tools_text_pane.h"

namespace kestrum::ui {
namespace {

constexpr int kMargin = 8;
constexpr int kRowHeight = 24;
constexpr int kFirstRowTop = 8;
constexpr int kSecondRowTop = 38;
constexpr int kThirdRowTop = 68;
constexpr int kPaneTop = 98;
// Panes are as wide as the client area less 250 twips and as high as it less 1750 twips.
constexpr int kPaneWidthLess = 250 / kTwipsPerPixel + 1;
constexpr int kPaneHeightLess = 1750 / kTwipsPerPixel;

const char* ModeName(int mode) {
  switch (mode) {
    case kModeSource:
      return "Source";
    case kModeImages:
      return "Images";
    case kModeLinks:
      return "Links";
    case kModeLog:
      return "Log";
    case kModeNetBlock:
      return "Net-Block";
    case kModeTools:
      return "Tools";
    case kModeHeaders:
      return "Headers";
    default:
      return nullptr;
  }
}

}  // namespace

MainWindow::MainWindow(Context& ctx, QWidget* parent) : QWidget(parent), ctx_(ctx) {
  setObjectName(QStringLiteral("frmMain"));
  setWindowIcon(AppIcon());
  setWindowTitle(QString::fromUtf8(kProgramTitle));
  printer_for_job = SystemDefaultPrinter;
  own_executable = QCoreApplication::applicationFilePath();
  buildControls();
  buildToolsPane();
  buildNetBlockMenu();
  buildSourceMenu();
  buildListMenus();
  connectCommands();
  showPane(kModeSource);
  resize(820, 600);
}

MainWindow::~MainWindow() = default;

void MainWindow::buildControls() {
  central_ = new QWidget(this);
  central_->setObjectName(QStringLiteral("central"));
  central_->setMouseTracking(true);
  central_->installEventFilter(this);

  imgAppLogo = new QLabel(central_);
  imgAppLogo->setObjectName(QStringLiteral("imgAppLogo"));
  imgAppLogo->setPixmap(DrawAppLogo(kRowHeight));
  imgAppLogo->setToolTip(QStringLiteral("Show about dialog"));
  imgAppLogo->setCursor(Qt::PointingHandCursor);
  imgAppLogo->installEventFilter(this);

  lblWeb = new QLabel(QStringLiteral("Web address:"), central_);
  lblWeb->setObjectName(QStringLiteral("lblWeb"));
  lblWeb->setTextFormat(Qt::PlainText);
  txtAddr = new QLineEdit(central_);
  txtAddr->setObjectName(QStringLiteral("txtAddr"));
  txtAddr->installEventFilter(this);

  auto text_button = [this](const char* name, const char* caption, const char* tip, int hover) {
    auto* button = new TextButton(QString::fromUtf8(caption), QString::fromUtf8(tip), hover, central_);
    button->setObjectName(QString::fromUtf8(name));
    connect(button, &TextButton::hovered, this, &MainWindow::HighlightButton);
    return button;
  };
  lblSend = text_button("lblSend", "Dissect", "", kHoverDissect);
  lblRAW = text_button("lblRAW", "Source", "View source code for this website", kHoverSource);
  lblImages = text_button("lblImages", "Images", "View images present in this website", kHoverImages);
  lblLinks = text_button("lblLinks", "Links", "View links present in this website", kHoverLinks);
  lblNBlock = text_button("lblNBlock", "Owner Info", "View WhoIs and net-block information", kHoverOwnerInfo);
  lblHeaders = text_button("lblHeaders", "Headers", "View headers returned by the server", kHoverHeaders);
  lblTools = text_button("lblTools", "Misc Tools", "View additional tools", kHoverTools);
  lblLog = text_button("lblLog", "Log", "View log file", kHoverLog);
  lblAbout = text_button("lblAbout", "About", "About this program", kHoverAbout);
  lblHelp = text_button("lblHelp", "Help", "Get help using this program", kHoverHelp);
  lblExit = text_button("lblExit", "Exit", "Close this program", kHoverExit);
  lblBase64 = text_button("lblBase64", "Decode Base64", "Decode Base64 encoded text", kHoverBase64);
  lblJScript = text_button("lblJScript", "Escape Javascript", "Decode Javascript encoded text", kHoverJScript);
  lblHTMLConv = text_button("lblHTMLConv", "Decode Entities", "", kHoverEntities);
  lblClsTools = text_button("lblClsTools", "<< Back", "Close Tools", kHoverBack);

  auto picture_button = [this](const char* name, PictureKind kind, const char* tip) {
    auto* button = new PictureButton(DrawPicture(kind, 20), QString::fromUtf8(tip), central_);
    button->setObjectName(QString::fromUtf8(name));
    connect(button, &PictureButton::hovered, this, [this, button] {
      for (PictureButton* other : {picSettings, picLogs, picHelp, picExit}) other->setBordered(other == button);
    });
    return button;
  };
  picSettings = picture_button("picSettings", PictureKind::Settings, "Application settings");
  picLogs = picture_button("picLogs", PictureKind::Log, "View application log");
  picHelp = picture_button("picHelp", PictureKind::Help, "Show help file");
  picExit = picture_button("picExit", PictureKind::Exit, "Close this program");

  auto pane = [this](const char* name, bool read_only) {
    auto* text_pane = new RichTextPane(central_);
    text_pane->setObjectName(QString::fromUtf8(name));
    text_pane->setReadOnly(read_only);
    text_pane->installEventFilter(this);
    return text_pane;
  };
  rtfSource = pane("rtfSource", false);
  rtfHeaders = pane("rtfHeaders", true);
  rtfNetBlock = pane("rtfNetBlock", true);
  rtfLog = pane("rtfLog", true);
  picLines = new LineNumberGutter(rtfSource, central_);
  lvwLinks = new ReportList(QStringLiteral("URL"), central_);
  lvwLinks->setObjectName(QStringLiteral("lvwLinks"));
  lvwLinks->installEventFilter(this);
  lvwImages = new ReportList(QStringLiteral("Image"), central_);
  lvwImages->setObjectName(QStringLiteral("lvwImages"));
  lvwImages->installEventFilter(this);
  lvwLinks->may_show = [this] { return shown_view_ == kModeLinks; };
  lvwImages->may_show = [this] { return shown_view_ == kModeImages; };

  tmrRequery = new QTimer(this);
  tmrRequery->setInterval(kRequeryIntervalMs);
  tmrCountdown = new QTimer(this);
  tmrCountdown->setInterval(kCountdownTickMs);
}

void MainWindow::connectCommands() {
  connect(lblSend, &TextButton::clicked, this, &MainWindow::RunDissectCommand);
  connect(lblRAW, &TextButton::clicked, this, &MainWindow::ShowSourceView);
  connect(lblImages, &TextButton::clicked, this, &MainWindow::ShowImagesView);
  connect(lblLinks, &TextButton::clicked, this, &MainWindow::ShowLinksView);
  connect(lblLog, &TextButton::clicked, this, &MainWindow::ShowLogView);
  connect(lblNBlock, &TextButton::clicked, this, &MainWindow::ShowOwnerInfoView);
  connect(lblTools, &TextButton::clicked, this, &MainWindow::ToggleToolsView);
  connect(lblHeaders, &TextButton::clicked, this, &MainWindow::ShowHeadersView);
  connect(lblAbout, &TextButton::clicked, this, &MainWindow::ShowAbout);
  connect(lblHelp, &TextButton::clicked, this, &MainWindow::ShowHelp);
  connect(lblExit, &TextButton::clicked, this, &QWidget::close);
  connect(picSettings, &PictureButton::clicked, this, &MainWindow::ShowSettings);
  connect(picLogs, &PictureButton::clicked, this, [this] {
    ShowLogView();
    lblRAW->setEnabled(true);
  });
  connect(picHelp, &PictureButton::clicked, this, &MainWindow::ShowHelp);
  connect(picExit, &PictureButton::clicked, this, &QWidget::close);
  connect(picLines, &LineNumberGutter::widthChanged, this, &MainWindow::layoutControls);
  connect(txtAddr, &QLineEdit::textChanged, this, &MainWindow::onAddressChanged);
  connect(txtAddr, &QLineEdit::returnPressed, this, &MainWindow::onAddressEnter);
  connect(tmrRequery, &QTimer::timeout, this, [this] {
    // A tick that arrives while a query lets events run must not start a second query inside it;
    // the timer stays armed and tries again a second later.
    if (!controlsEnabled()) return;
    tmrCountdown->stop();
    countdown_ = RunScheduledQuery(ctx_, countdown_start_, [this](Context&) { RunDissectCommand(); });
    tmrCountdown->start();
    tmrRequery->stop();
  });
  connect(tmrCountdown, &QTimer::timeout, this, [this] {
    if (TickCountdown(countdown_)) {
      tmrCountdown->stop();
      tmrRequery->start();
    }
  });
}

// ---- MainView -------------------------------------------------------------------------------

std::string MainWindow::addressText() const {
  return AnsiFromQString(txtAddr->text());
}
void MainWindow::setAddressText(std::string_view text) {
  txtAddr->setText(QStringFromAnsi(text));
}
Rgb MainWindow::addressBackground() const {
  return ToRgb(txtAddr->palette().color(QPalette::Base));
}
Rgb MainWindow::addressForeground() const {
  return ToRgb(txtAddr->palette().color(QPalette::Text));
}
void MainWindow::setAddressColors(Rgb background, Rgb foreground) {
  QPalette colours = txtAddr->palette();
  colours.setColor(QPalette::Base, ToQColor(background));
  for (const auto group : {QPalette::Active, QPalette::Inactive})
    colours.setColor(group, QPalette::Text, ToQColor(foreground));
  // A disabled box keeps its warning colour but greys its text, as the other controls do.
  colours.setColor(QPalette::Disabled, QPalette::Text, QColor(128, 128, 128));
  txtAddr->setPalette(colours);
}
TextPane& MainWindow::source() {
  return *rtfSource;
}
TextPane& MainWindow::headers() {
  return *rtfHeaders;
}
TextPane& MainWindow::netBlock() {
  return *rtfNetBlock;
}
TextPane& MainWindow::log() {
  return *rtfLog;
}
TextPane& MainWindow::tools() {
  return *rtfB64;
}
ItemList& MainWindow::links() {
  return *lvwLinks;
}
ItemList& MainWindow::images() {
  return *lvwImages;
}
std::string MainWindow::caption() const {
  return AnsiFromQString(windowTitle());
}
void MainWindow::setCaption(std::string_view caption) {
  setWindowTitle(QStringFromAnsi(caption));
}

void MainWindow::setControlsEnabled(bool enabled) {
  // Disabling the container keeps every control's own state for when the query is over.
  central_->setEnabled(enabled);
}
bool MainWindow::controlsEnabled() const {
  return central_->isEnabled();
}

namespace {
TextButton* ButtonOf(const MainWindow& window, ViewButton button) {
  switch (button) {
    case ViewButton::Source:
      return window.lblRAW;
    case ViewButton::Images:
      return window.lblImages;
    case ViewButton::Links:
      return window.lblLinks;
    case ViewButton::Log:
      return window.lblLog;
    case ViewButton::OwnerInfo:
      return window.lblNBlock;
    case ViewButton::Tools:
      return window.lblTools;
    case ViewButton::Headers:
      return window.lblHeaders;
  }
  return window.lblRAW;
}
}  // namespace

void MainWindow::setViewButtonEnabled(ViewButton button, bool enabled) {
  ButtonOf(*this, button)->setEnabled(enabled);
}
bool MainWindow::viewButtonEnabled(ViewButton button) const {
  return ButtonOf(*this, button)->isEnabledTo(central_);
}

void MainWindow::showView(int mode) {
  SetViewMode(mode);
  showPane(mode);
}

// ---- Modes, panes and the hover look ------------------------------------------------------------

void MainWindow::SetViewMode(int mode) {
  const char* name = ModeName(mode);
  if (!name) {
    ctx_.last_view_mode = mode;
    return;
  }
  setCaption(std::string(kProgramTitle) + " [Mode: " + name + " / " + FetchMethodText(ctx_) + " ]");

  const bool tools = mode == kModeTools;
  picLines->setVisible(mode == kModeSource);
  for (TextButton* button : {lblBase64, lblJScript, lblHTMLConv, lblClsTools}) button->setVisible(tools);
  lblSend->setVisible(!tools);
  lblWeb->setVisible(!tools);
  txtAddr->setEnabled(!tools);

  if (mode != kModeLog) {
    const std::array<std::pair<TextButton*, int>, 6> styled = {{{lblRAW, kModeSource},
                                                                {lblImages, kModeImages},
                                                                {lblLinks, kModeLinks},
                                                                {lblNBlock, kModeNetBlock},
                                                                {lblHeaders, kModeHeaders},
                                                                {lblTools, kModeTools}}};
    for (const auto& [button, its_mode] : styled) button->setActive(its_mode == mode);
  }
  ctx_.view_mode = mode;
  ctx_.last_view_mode = mode;
  layoutControls();
}

void MainWindow::showPane(int mode) {
  const std::array<std::pair<QWidget*, int>, 7> panes = {{{rtfSource, kModeSource},
                                                          {lvwImages, kModeImages},
                                                          {lvwLinks, kModeLinks},
                                                          {rtfLog, kModeLog},
                                                          {rtfNetBlock, kModeNetBlock},
                                                          {rtfB64, kModeTools},
                                                          {rtfHeaders, kModeHeaders}}};
  shown_view_ = mode;
  for (const auto& [pane, its_mode] : panes)
    if (its_mode != mode) pane->setVisible(false);
  for (const auto& [pane, its_mode] : panes)
    if (its_mode == mode) pane->setVisible(true);
}

void MainWindow::HighlightButton(int hover_number) {
  for (TextButton* button : {lblRAW, lblImages, lblLinks, lblSend, lblNBlock, lblTools, lblClsTools, lblBase64,
                             lblJScript, lblHTMLConv, lblHeaders})
    button->setHovered(button->hoverNumber() == hover_number);
}

void MainWindow::clearPictureBorders() {
  for (PictureButton* button : {picSettings, picLogs, picHelp, picExit}) button->setBordered(false);
}

void MainWindow::hideToolsButtons() {
  for (TextButton* button : {lblBase64, lblJScript, lblHTMLConv, lblClsTools}) button->setVisible(false);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == central_ && event->type() == QEvent::MouseMove) {
    clearPictureBorders();
    HighlightButton(kHoverNone);
  } else if (event->type() == QEvent::Enter && watched != central_ && watched != imgAppLogo) {
    HighlightButton(kHoverNone);  // a pane, a list or the address box
  } else if (watched == imgAppLogo && event->type() == QEvent::MouseButtonRelease) {
    ShowAbout();
  }
  return QWidget::eventFilter(watched, event);
}

// ---- Size and layout ----------------------------------------------------------------------------

void MainWindow::reportSizeLimit(const char* message) {
  // One message per snap: a drag sends many resizes, and a box inside a resize is no place to wait.
  if (size_message_pending_) return;
  size_message_pending_ = true;
  QTimer::singleShot(0, this, [this, message] {
    if (ctx_.desktop) ctx_.desktop->showMessage(message, kProgramTitle, MessageIcon::Information, MessageButtons::Ok);
    size_message_pending_ = false;
  });
}

void MainWindow::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  central_->setGeometry(rect());
  if (isMinimized() || snapping_) return;
  const int min_width = kMinimumWidthTwips / kTwipsPerPixel;
  const int min_height = kMinimumHeightTwips / kTwipsPerPixel;
  if (width() < min_width) {
    // The snap is a resize of its own; the height waits for the next one.
    snapping_ = true;
    resize(min_width, height());
    snapping_ = false;
    reportSizeLimit("Minimum width achieved");
    return;
  }
  if (height() < min_height) {
    snapping_ = true;
    resize(width(), min_height);
    snapping_ = false;
    reportSizeLimit("Minimum height achieved");
    return;
  }
  layoutControls();
}

void MainWindow::layoutControls() {
  const int w = width();
  const int h = height();
  // First row: logo, address box and Dissect; the picture buttons on the right.
  int right = w - kMargin;
  for (PictureButton* button : {picExit, picHelp, picLogs, picSettings}) {
    right -= 28;
    button->setGeometry(right, kFirstRowTop - 2, 28, 28);
    right -= 2;
  }
  imgAppLogo->setGeometry(kMargin, kFirstRowTop, kRowHeight, kRowHeight);
  const int label_left = kMargin + kRowHeight + 8;
  const int label_width = lblWeb->sizeHint().width();
  lblWeb->setGeometry(label_left, kFirstRowTop, label_width, kRowHeight);
  const int send_width = std::max(80, lblSend->naturalWidth());
  const int address_left = label_left + label_width + 6;
  const int address_right = right - 12 - send_width - 6;
  txtAddr->setGeometry(address_left, kFirstRowTop, std::max(60, address_right - address_left), kRowHeight);
  lblSend->setGeometry(address_right + 6, kFirstRowTop, send_width, kRowHeight);

  // Second row: the view buttons.
  int x = kMargin;
  for (TextButton* button : {lblRAW, lblImages, lblLinks, lblNBlock, lblHeaders, lblTools, lblLog}) {
    const int width_needed = std::max(66, button->naturalWidth());
    button->setGeometry(x, kSecondRowTop, width_needed, kRowHeight);
    x += width_needed + 3;
  }

  // Third row: the Tools pane's buttons on the left, About, Help and Exit on the right.
  x = kMargin;
  for (TextButton* button : {lblBase64, lblJScript, lblHTMLConv, lblClsTools}) {
    const int width_needed = button->naturalWidth();
    button->setGeometry(x, kThirdRowTop, width_needed, kRowHeight - 2);
    x += width_needed + 3;
  }
  right = w - kMargin;
  for (TextButton* button : {lblExit, lblHelp, lblAbout}) {
    const int width_needed = std::max(44, button->naturalWidth());
    right -= width_needed;
    button->setGeometry(right, kThirdRowTop, width_needed, kRowHeight - 2);
    right -= 3;
  }

  // The panes share one rectangle; the Source pane sits right of its line numbers.
  const int pane_width = w - kPaneWidthLess;
  const int pane_height = std::max(20, h - kPaneHeightLess);
  const QRect panes(kMargin, kPaneTop, pane_width - kMargin + 1, pane_height);
  for (QWidget* pane : std::initializer_list<QWidget*>{rtfHeaders, rtfNetBlock, rtfLog, rtfB64, lvwLinks, lvwImages})
    pane->setGeometry(panes);
  const int gutter = picLines->preferredWidth();
  picLines->setGeometry(panes.left(), panes.top(), gutter, panes.height());
  rtfSource->setGeometry(panes.left() + gutter - 1, panes.top(), panes.width() - gutter + 1, panes.height());
}

// ---- Closing ------------------------------------------------------------------------------------

void MainWindow::closeEvent(QCloseEvent* event) {
  // A query in progress owns the window until it is done; closing under it would pull the panes away.
  if (!controlsEnabled() || closing_) {
    event->ignore();
    return;
  }
  closing_ = true;
  tmrRequery->stop();
  tmrCountdown->stop();
  RunExitCleanup(ctx_);
  for (QPointer<QWidget> dialog : {about_, settings_})
    if (dialog) dialog->close();
  event->accept();
  closing_ = false;
}

}  // namespace kestrum::ui
