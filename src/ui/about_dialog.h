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


}  // namespace kestrum::ui
