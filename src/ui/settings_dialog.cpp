#include "ui/settings_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>
#include <algorithm>
#include <array>

#include "core/identity.h"
#include "core/settings.h"
#include "net/connection_choices.h"
#include "net/http_client.h"
#include "ui/qt_text.h"
#include "ui/text_button.h"

namespace kestrum::ui {
namespace {

constexpr const char* kMsxmlTip =
    "If ticked, Kestrum DE will connect to websites using MS XML, otherwise it will use URLDownloadToFile(). "
    "Here MS XML is a request whose answer is read as text in the server's character set; "
    "URLDownloadToFile() is a download that keeps the page byte for byte.";
constexpr const char* kProxyTip =
    "If ticked, Kestrum DE reaches the site through the proxy script chosen below, for users whose Internet "
    "provider blocks sites known to be malicious.";
// The system browser's user agent has no honest source on this platform.
constexpr const char* kSystemBrowserAgent = "";

QFrame* NewPage(QWidget* owner, const char* name) {
  auto* page = new QFrame(owner);
  page->setObjectName(QString::fromUtf8(name));
  page->setFrameShape(QFrame::StyledPanel);
  return page;
}

// Text buttons as wide as their caption needs and as high as the main window's.
void SizeTextButton(TextButton* button) {
  button->setAlignment(Qt::AlignCenter);
  button->setFixedSize(std::max(72, button->naturalWidth()), 24);
}

// A list of long entries must not widen the dialog; the drop-down shows them whole.
void KeepNarrow(QComboBox* box) {
  box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
  box->setMinimumContentsLength(24);
}

QLabel* PlainLabel(const char* text, QWidget* owner) {
  auto* label = new QLabel(QString::fromUtf8(text), owner);
  label->setTextFormat(Qt::PlainText);
  return label;
}

}  // namespace

SettingsDialog::SettingsDialog(Context& ctx, std::function<void()> fetch_method_changed, QWidget* owner)
    : QDialog(owner), ctx_(ctx), fetch_method_changed_(std::move(fetch_method_changed)) {
  setObjectName(QStringLiteral("frmSettings"));
  setWindowTitle(QStringLiteral("Settings"));
  setAttribute(Qt::WA_DeleteOnClose);

  auto* layout = new QVBoxLayout(this);
  lblTitle = PlainLabel(kSettingsTitleText, this);
  lblTitle->setObjectName(QStringLiteral("lblTitle"));
  lblTitle->setWordWrap(true);
  layout->addWidget(lblTitle);

  auto* tabs = new QHBoxLayout;
  lblGeneral = new TextButton(QStringLiteral("General"), QString(), 0, this);
  lblConnection = new TextButton(QStringLiteral("Connection"), QString(), 0, this);
  lblSchedule = new TextButton(QStringLiteral("Schedule"), QString(), 0, this);
  int page = 0;
  for (TextButton* tab : {lblGeneral, lblConnection, lblSchedule}) {
    tab->setObjectName(QStringLiteral("lbl") + tab->text());
    SizeTextButton(tab);
    connect(tab, &TextButton::clicked, this, [this, page] { showPage(page); });
    connect(tab, &TextButton::hovered, this, [this, tab] { lightUp(tab); });
    tabs->addWidget(tab);
    ++page;
  }
  tabs->addStretch(1);
  layout->addLayout(tabs);

  frGeneral = NewPage(this, "frGeneral");
  frConnection = NewPage(this, "frConnection");
  frSchedule = NewPage(this, "frSchedule");
  buildGeneral();
  buildConnection();
  buildSchedule();
  for (QFrame* frame : {frGeneral, frConnection, frSchedule}) layout->addWidget(frame, 1);

  auto* commands = new QHBoxLayout;
  commands->addStretch(1);
  lblSave = new TextButton(QStringLiteral("Save"), QString(), 0, this);
  lblSave->setObjectName(QStringLiteral("lblSave"));
  lblCancel = new TextButton(QStringLiteral("Cancel"), QString(), 0, this);
  lblCancel->setObjectName(QStringLiteral("lblCancel"));
  for (TextButton* command : {lblSave, lblCancel}) {
    SizeTextButton(command);
    connect(command, &TextButton::hovered, this, [this, command] { lightUp(command); });
    commands->addWidget(command);
  }
  connect(lblSave, &TextButton::clicked, this, &SettingsDialog::Save);
  connect(lblCancel, &TextButton::clicked, this, &QDialog::close);
  layout->addLayout(commands);

  setMouseTracking(true);
  for (QFrame* frame : {frGeneral, frConnection, frSchedule}) {
    frame->setMouseTracking(true);
    frame->installEventFilter(this);
  }
  fillConnection();
  showPage(0);
  resize(560, 400);
}

QCheckBox* SettingsDialog::addCheckBox(QWidget* page, const char* name, const char* caption, const char* section,
                                       const char* default_value) {
  auto* box = new QCheckBox(QString::fromUtf8(caption), page);
  box->setObjectName(QString::fromUtf8(name));
  box->setChecked(ReadSetting(ctx_, section, name, default_value) == "1");
  // `clicked` comes from the user only, so filling the page writes nothing.
  connect(box, &QCheckBox::clicked, this,
          [this, section, name](bool ticked) { WriteSetting(ctx_, section, name, ticked ? "1" : "0"); });
  return box;
}

void SettingsDialog::buildGeneral() {
  auto* layout = new QVBoxLayout(frGeneral);
  chkLaunchProc =
      addCheckBox(frGeneral, "chkLaunchProc", "Launch dissection in new Kestrum DE instance", "Settings", "1");
  chkAutoScanLinks =
      addCheckBox(frGeneral, "chkAutoScanLinks", "Automatically scan source for links", "Automation", "0");
  chkAutoScanImages =
      addCheckBox(frGeneral, "chkAutoScanImages", "Automatically scan source for images", "Automation", "0");
  chkAutoScanExes = addCheckBox(frGeneral, "chkAutoScanExes",
                                "Automatically scan source for scripts, iframes and executables", "Automation", "1");
  chkPhishTank =
      addCheckBox(frGeneral, "chkPhishTank", "Automatically check PhishTank inclusion status", "Settings", "0");
  chkMDL =
      addCheckBox(frGeneral, "chkMDL", "Automatically check Malware Domain List inclusion status", "Settings", "0");
  chkBraxel = addCheckBox(frGeneral, "chkBraxel", "Automatically check Braxel inclusion status", "Settings", "0");
  for (QCheckBox* box :
       {chkLaunchProc, chkAutoScanLinks, chkAutoScanImages, chkAutoScanExes, chkPhishTank, chkMDL, chkBraxel})
    layout->addWidget(box);
  layout->addStretch(1);
}

void SettingsDialog::buildConnection() {
  auto* layout = new QGridLayout(frConnection);
  chkProxy = addCheckBox(frConnection, "chkProxy", "Connect via proxy", "Settings", "0");
  chkProxy->setToolTip(QString::fromUtf8(kProxyTip));
  chkMSXML = addCheckBox(frConnection, "chkMSXML", "Connect using MS XML", "Settings", "0");
  chkMSXML->setToolTip(QString::fromUtf8(kMsxmlTip));
  connect(chkMSXML, &QCheckBox::clicked, this, [this] {
    if (fetch_method_changed_) fetch_method_changed_();
  });
  cboProxyServers = new QComboBox(frConnection);
  cboProxyServers->setObjectName(QStringLiteral("cboProxyServers"));
  cboProxyServers->setEditable(true);
  KeepNarrow(cboProxyServers);
  connect(cboProxyServers, &QComboBox::activated, this,
          [this](int index) { ChooseProxy(ctx_, AnsiFromQString(cboProxyServers->itemText(index))); });
  txtReferer = new QLineEdit(frConnection);
  txtReferer->setObjectName(QStringLiteral("txtReferer"));
  cboUAString = new QComboBox(frConnection);
  cboUAString->setObjectName(QStringLiteral("cboUAString"));
  cboUAString->setEditable(true);
  KeepNarrow(cboUAString);
  lblUA = new TextButton(QStringLiteral("User Agent:"), QString(), 0, frConnection);
  lblUA->setObjectName(QStringLiteral("lblUA"));
  SizeTextButton(lblUA);
  connect(lblUA, &TextButton::hovered, this, [this] { lightUp(lblUA); });
  connect(lblUA, &TextButton::clicked, this, [this] { OfferUserAgentDatabase(ctx_); });

  layout->addWidget(chkProxy, 0, 0, 1, 2);
  layout->addWidget(chkMSXML, 1, 0, 1, 2);
  layout->addWidget(PlainLabel("Proxy Server:", frConnection), 2, 0);
  layout->addWidget(cboProxyServers, 2, 1);
  layout->addWidget(PlainLabel("Referer:", frConnection), 3, 0);
  layout->addWidget(txtReferer, 3, 1);
  layout->addWidget(lblUA, 4, 0);
  layout->addWidget(cboUAString, 4, 1);
  layout->setColumnStretch(1, 1);
  layout->setRowStretch(5, 1);
}

void SettingsDialog::buildSchedule() {
  auto* page = new QVBoxLayout(frSchedule);
  auto* layout = new QHBoxLayout;
  chkAutoDownload = addCheckBox(frSchedule, "chkAutoDownload", "Download and process the current site every (n) mins",
                                "Automation", "0");
  txtMins = new QLineEdit(QStringFromAnsi(ReadSetting(ctx_, "Automation", "txtMins", "10")), frSchedule);
  txtMins->setObjectName(QStringLiteral("txtMins"));
  txtMins->setMaximumWidth(60);
  txtMins->setEnabled(chkAutoDownload->isChecked());
  connect(chkAutoDownload, &QCheckBox::clicked, txtMins, &QWidget::setEnabled);
  layout->addWidget(chkAutoDownload);
  layout->addWidget(txtMins);
  layout->addWidget(PlainLabel("Mins", frSchedule));
  layout->addStretch(1);
  page->addLayout(layout);
  page->addStretch(1);
}

void SettingsDialog::fillConnection() {
  const UserAgentChoices agents = LoadUserAgentChoices(ctx_, kSystemBrowserAgent);
  for (const auto& agent : agents.agents) cboUAString->addItem(QStringFromAnsi(agent));
  cboUAString->setEditText(QStringFromAnsi(agents.field));

  const ProxyChoices proxies = LoadProxyChoices(ctx_);
  for (const auto& name : proxies.names) cboProxyServers->addItem(QStringFromAnsi(name));
  cboProxyServers->setEditText(QStringFromAnsi(proxies.field));

  txtReferer->setText(QStringFromAnsi(ReadSetting(ctx_, "Settings", "txtReferer", "")));

  // Both transfer methods are built in; the box is only shut when the HTTP support is missing.
  const bool available = IsMSXML6Available();
  chkMSXML->setEnabled(available);
  if (!available) {
    chkMSXML->setChecked(false);
    WriteSetting(ctx_, "Settings", "chkMSXML", "0");
  }
}

void SettingsDialog::lightUp(TextButton* which) {
  for (TextButton* label : {lblGeneral, lblConnection, lblSchedule, lblUA, lblSave, lblCancel})
    label->setHovered(label == which);
}

void SettingsDialog::mouseMoveEvent(QMouseEvent* event) {
  lightUp(nullptr);
  QDialog::mouseMoveEvent(event);
}

bool SettingsDialog::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::MouseMove) lightUp(nullptr);
  return QDialog::eventFilter(watched, event);
}

void SettingsDialog::showPage(int page) {
  const std::array<QFrame*, 3> frames = {frGeneral, frConnection, frSchedule};
  const std::array<TextButton*, 3> tabs = {lblGeneral, lblConnection, lblSchedule};
  for (int i = 0; i < 3; ++i) {
    frames[i]->setVisible(i == page);
    tabs[i]->setActive(i == page);
  }
}

void SettingsDialog::Save() {
  WriteSetting(ctx_, "Automation", "txtMins", AnsiFromQString(txtMins->text()));
  WriteSetting(ctx_, "Settings", "cboUAString", AnsiFromQString(cboUAString->currentText()));
  WriteSetting(ctx_, "Settings", "cboProxyServers", AnsiFromQString(cboProxyServers->currentText()));
  WriteSetting(ctx_, "Settings", "txtReferer", AnsiFromQString(txtReferer->text()));
  close();
}

}  // namespace kestrum::ui
