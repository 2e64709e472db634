#pragma once
// frmSettings: the General, Connection and Schedule pages. Check boxes write their setting the
// moment they are clicked; Save writes the four text fields; Cancel only closes.
#include <QDialog>
#include <functional>

#include "core/context.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;

namespace kestrum::ui {

class TextButton;

inline constexpr const char* kSettingsTitleText =
    "This feature allows you to control how certain functions within this program, actually work, such as "
    "auto-scanning, auto-downloading/processing etc.";

class SettingsDialog : public QDialog {
  Q_OBJECT

 public:
  // `fetch_method_changed` runs after chkMSXML is clicked (the main window shows the method).
  SettingsDialog(Context& ctx, std::function<void()> fetch_method_changed, QWidget* owner);

  // Shows one page (0 General, 1 Connection, 2 Schedule) and hides the other two.
  void showPage(int page);
  void Save();

  QLabel* lblTitle = nullptr;
  TextButton *lblGeneral = nullptr, *lblConnection = nullptr, *lblSchedule = nullptr;
  QFrame *frGeneral = nullptr, *frConnection = nullptr, *frSchedule = nullptr;
  QCheckBox *chkLaunchProc = nullptr, *chkAutoScanLinks = nullptr, *chkAutoScanImages = nullptr,
            *chkAutoScanExes = nullptr, *chkPhishTank = nullptr, *chkMDL = nullptr, *chkBraxel = nullptr;
  QCheckBox *chkProxy = nullptr, *chkMSXML = nullptr, *chkAutoDownload = nullptr;
  QComboBox *cboProxyServers = nullptr, *cboUAString = nullptr;
  QLineEdit *txtReferer = nullptr, *txtMins = nullptr;
  TextButton *lblUA = nullptr, *lblSave = nullptr, *lblCancel = nullptr;

 protected:
  void mouseMoveEvent(QMouseEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // The labels light up while the pointer is over them.
  void lightUp(TextButton* which);
  QCheckBox* addCheckBox(QWidget* page, const char* name, const char* caption, const char* section,
                         const char* default_value);
  void buildGeneral();
  void buildConnection();
  void buildSchedule();
  void fillConnection();

  Context& ctx_;
  std::function<void()> fetch_method_changed_;
};

}  // namespace kestrum::ui
