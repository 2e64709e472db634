#pragma once
// frmAbout: title, version, maker, homepage and the disclaimer; shown without blocking the window.
#include <QDialog>

#include "core/context.h"

namespace kestrum::ui {

class AboutDialog : public QDialog {
  Q_OBJECT

 public:
  AboutDialog(Context& ctx, QWidget* owner);
  ~AboutDialog() override { removeDisclaimerCopy(); }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void removeDisclaimerCopy();
  Context& ctx_;
};

// The placeholder the settings picture button opens until the settings dialog exists.
class SettingsPlaceholderDialog : public QDialog {
  Q_OBJECT

 public:
  explicit SettingsPlaceholderDialog(QWidget* owner);
};

}  // namespace kestrum::ui
