#pragma once
// frmMain: the address box, the row of view buttons, the seven panes sharing one rectangle, the
// picture buttons, and the Tools pane's buttons. The engine sees it through the MainView seam.
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <array>
#include <functional>
#include <memory>

#include "core/context.h"
#include "core/seams.h"
#include "core/startup.h"
#include "dissect/list_commands.h"

class QLabel;
class QLineEdit;
class QAction;
class QMenu;
class QPrinter;
class QModelIndex;

namespace kestrum::ui {

class EmailDialog;
class FindDialog;
class LineNumberGutter;
class PictureButton;
class ReportList;
class RichTextPane;
class TextButton;
class ToolsTextPane;

// View modes, as the rest of the program stores them.
enum ViewMode { kModeSource = 1, kModeImages, kModeLinks, kModeLog, kModeNetBlock, kModeTools, kModeHeaders };

// Hover numbers of the text buttons; 100 is "none".
enum HoverNumber {
  kHoverSource = 1,
  kHoverImages,
  kHoverLinks,
  kHoverLog,
  kHoverHelp,
  kHoverAbout,
  kHoverDissect,
  kHoverOwnerInfo,
  kHoverExit,
  kHoverTools,
  kHoverBack,
  kHoverBase64,
  kHoverJScript,
  kHoverEntities,
  kHoverHeaders,
  kHoverNone = 100
};

// Sizes in twips, 15 to the pixel at the usual 96 dots per inch.
inline constexpr int kTwipsPerPixel = 15;
inline constexpr int kMinimumWidthTwips = 8625;
inline constexpr int kMinimumHeightTwips = 5160;

class MainWindow : public QWidget, public MainView {
  Q_OBJECT

 public:
  explicit MainWindow(Context& ctx, QWidget* parent = nullptr);
  ~MainWindow() override;

  // MainView
  std::string addressText() const override;
  void setAddressText(std::string_view text) override;
  Rgb addressBackground() const override;
  Rgb addressForeground() const override;
  void setAddressColors(Rgb background, Rgb foreground) override;
  TextPane& source() override;
  TextPane& headers() override;
  TextPane& netBlock() override;
  TextPane& log() override;
  TextPane& tools() override;
  ItemList& links() override;
  ItemList& images() override;
  std::string caption() const override;
  void setCaption(std::string_view caption) override;
  void setControlsEnabled(bool enabled) override;
  bool controlsEnabled() const override;
  void setViewButtonEnabled(ViewButton button, bool enabled) override;
  bool viewButtonEnabled(ViewButton button) const override;
  void showView(int mode) override;

  // Caption and control states of a mode; any other number only records it as the last mode.
  void SetViewMode(int mode);
  void HighlightButton(int hover_number);

  // The view commands, as their buttons run them.
  void ShowSourceView();
  void ShowImagesView();
  void ShowLinksView();
  void ShowLogView();
  void ShowOwnerInfoView();
  void ToggleToolsView();
  void ShowHeadersView();
  void RunDissectCommand();
  void ShowAbout();
  void ShowHelp();
  void ShowSettings();

  // Start-up steps that belong to the window (load phase and finish).
  void PrepareLists();
  // The Source pane's menu and its commands.
  void SourceMenu(const QPoint& global_position);
  void ToggleWordWrap();
  void RestoreWordWrap();
  void ShowFind();
  void SendSourceByMail();
  void PrintSource();
  void FinishStartup();
  // The first pane/list that is showing, for tests and the engine.
  int shownView() const { return shown_view_; }

  // The printer for a print command; nothing when none can be had (the user is then offered a PDF
  // file). The default is the system's default printer; tests put a PDF printer here.
  std::function<std::unique_ptr<QPrinter>()> printer_for_job;
  // What "Dissect this link" starts as a second instance: this program's own executable.
  QString own_executable;
  // Where the user manual is looked for, first match wins.
  QStringList manual_locations;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildControls();
  void buildToolsPane();
  void buildNetBlockMenu();
  void buildSourceMenu();
  // Shows "Dissect this link" only for a selection that is a link, and keeps that link in txtTemp.
  void OfferSelectedLink();
  void ApplyWordWrap(bool wrapping);
  // After a Dissect: the header block in view, nothing selected.
  void ShowSourceTop();
  void connectCommands();
  void layoutControls();
  void showPane(int mode);
  void onAddressChanged();
  void onAddressEnter();
  void clearPictureBorders();
  void hideToolsButtons();
  void reportSizeLimit(const char* message);
  void ExtractImagesIntoList();
  struct ListViewTexts {
    const char* caption;
    const char* log_line;
    const char* nothing_found;
  };
  // The Images and Links commands: switch, fill an empty list, and sort it once it holds items.
  void ShowListView(int mode, ReportList& list, const ListViewTexts& texts, const std::function<void()>& extract);
  void LookUpNetBlock();

  // Tools pane
  void EnterToolsView();
  void LeaveToolsView();
  void AnalyseToolsText();
  void DecodeBase64();
  void DecodeJavaScript();
  void DecodeEntities();
  void ResetTools();
  void CopyTools();
  void PasteTools();
  void SaveTools();
  void ToolsMenu(const QPoint& global_position);

  // Links and images lists
  void buildListMenus();
  // The item the single-item commands act on: the current one, else the first.
  std::string selectedItem(const ReportList& list) const;

 public:
  void ListMenu(ReportList& list, QMenu& menu, const QPoint& global_position, const QModelIndex& under);
  void PrintList(ListKind kind);

 private:
  // Net-block view
  void NetBlockMenu(const QPoint& global_position);
  void PrintNetBlock();

  Context& ctx_;
  QWidget* central_ = nullptr;

 public:
  // Controls, named as the program has always named them.
  QLabel* lblWeb = nullptr;
  QLineEdit* txtAddr = nullptr;
  TextButton* lblSend = nullptr;
  TextButton *lblRAW = nullptr, *lblImages = nullptr, *lblLinks = nullptr, *lblLog = nullptr, *lblNBlock = nullptr,
             *lblTools = nullptr, *lblHeaders = nullptr;
  TextButton *lblAbout = nullptr, *lblHelp = nullptr, *lblExit = nullptr;
  TextButton *lblBase64 = nullptr, *lblJScript = nullptr, *lblHTMLConv = nullptr, *lblClsTools = nullptr;
  PictureButton *picSettings = nullptr, *picLogs = nullptr, *picHelp = nullptr, *picExit = nullptr;
  QLabel* imgAppLogo = nullptr;
  RichTextPane *rtfSource = nullptr, *rtfHeaders = nullptr, *rtfNetBlock = nullptr, *rtfLog = nullptr;
  ToolsTextPane* rtfB64 = nullptr;
  ReportList *lvwLinks = nullptr, *lvwImages = nullptr;
  LineNumberGutter* picLines = nullptr;
  QMenu *mnuBase64 = nullptr, *mnuNBlock = nullptr, *mnuSource = nullptr;
  QAction *mnuSRCFind = nullptr, *mnuSRCSep = nullptr, *mnuSRCDissect = nullptr, *mnuSRCWrap = nullptr,
          *mnuSRCSave = nullptr, *mnuSRCSaveWithLinks = nullptr, *mnuSRCMail = nullptr, *mnuSRCPrint = nullptr,
          *mnuSRCCopy = nullptr, *mnuSRCClear = nullptr;
  QLineEdit* txtTemp = nullptr;  // the link "Dissect this link" will use
  QAction *mnuBReset = nullptr, *mnuBCopy = nullptr, *mnuBPaste = nullptr, *mnuBSelAll = nullptr, *mnuBSave = nullptr;
  QAction *mnuNBCopy = nullptr, *mnuNBSave = nullptr, *mnuNBPrint = nullptr;
  QMenu *mnuLinks = nullptr, *mnuImages = nullptr;
  QAction *mnuLNKCopy = nullptr, *mnuLNKDownload = nullptr, *mnuLNKDissect = nullptr, *mnuSendToTavrin = nullptr,
          *mnuLNKOpen = nullptr, *mnuLNKBraxel = nullptr, *mnuLNKMDL = nullptr, *mnuLNKSA = nullptr,
          *mnuLNKTSC = nullptr, *mnuLNKWS = nullptr, *mnuLNKWOT = nullptr, *mnuLNKSave = nullptr,
          *mnuLNKSaveExt = nullptr, *mnuLNKPrint = nullptr;
  QAction *mnuIMGCopy = nullptr, *mnuIMGOpen = nullptr, *mnuIMGBraxel = nullptr, *mnuIMGMDL = nullptr,
          *mnuIMGSA = nullptr, *mnuIMGWOT = nullptr, *mnuIMGSave = nullptr, *mnuIMGPrint = nullptr;
  QTimer *tmrRequery = nullptr, *tmrCountdown = nullptr;

 private:
  int shown_view_ = kModeSource;
  bool size_message_pending_ = false;
  bool snapping_ = false;
  bool closing_ = false;
  int64_t countdown_start_ = 0;
  Countdown countdown_;
  QPointer<QWidget> about_, settings_;

 public:
  QPointer<FindDialog> find_;
  QPointer<EmailDialog> email_;
};

// Where Help looks for the user manual: beside the executable (the build tree), then the
// installed documentation folder.
QStringList ManualLocations(const QString& executable_folder);

// The online support area offered when the manual is missing: Services/SupportURL in cfg.ini.
std::string SupportAddress(Context& ctx);
// The maker's homepage shown in About: Services/HomepageURL in cfg.ini.
std::string HomepageAddress(Context& ctx);

}  // namespace kestrum::ui
