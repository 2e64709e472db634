#pragma once
// frmFind, "Find and Replace": searches the Source pane and replaces in it. The searching and
// replacing are the engine's FindReplace; this window holds the boxes and the five buttons.
#include <QDialog>

#include "core/context.h"
#include "dissect/find_replace.h"

class QCheckBox;
class QLineEdit;

namespace kestrum::ui {

class RichTextPane;
class TextButton;

class FindDialog : public QDialog {
  Q_OBJECT

 public:
  FindDialog(Context& ctx, RichTextPane& source, QWidget* parent);

  void RunFind();
  void RunFindNext();
  void RunReplace();
  void RunReplaceAll();
  const FindReplace& engine() const { return find_; }

  QLineEdit *txtFind = nullptr, *txtReplace = nullptr;
  QCheckBox *Check1 = nullptr, *Check2 = nullptr;
  TextButton *cmdFind = nullptr, *cmdFindNext = nullptr, *cmdReplace = nullptr, *cmdReplaceAll = nullptr,
             *cmdCancel = nullptr;

 protected:
  bool event(QEvent* event) override;

 private:
  FindOptions options() const;
  void setReplaceEnabled(bool enabled);
  void hover(int number);

  Context& ctx_;
  RichTextPane& source_;
  FindReplace find_;
};

}  // namespace kestrum::ui
