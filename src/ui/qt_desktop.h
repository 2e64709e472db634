#pragma once
// The desktop seam on Qt: message boxes, file dialogs, the clipboard, the default handler and
// programs started with an argument list (never through a shell).
#include <QPointer>
#include <QWidget>

#include "core/seams.h"

namespace kestrum::ui {

class QtDesktop : public Desktop {
 public:
  // Dialogs are owned by `parent` (the main window) once it is set.
  void setParentWindow(QWidget* parent) { parent_ = parent; }

  MessageAnswer showMessage(std::string_view text, std::string_view caption, MessageIcon icon,
                            MessageButtons buttons) override;
  std::optional<std::string> chooseSaveFile(std::string_view caption, std::string_view filter,
                                            std::string_view suggested_name) override;
  std::optional<std::string> chooseOpenFile(std::string_view caption, std::string_view filter) override;
  void processEvents() override;
  void endProgram() override;
  bool openWithDefaultHandler(std::string_view target) override;
  bool startProgram(std::string_view program, const std::vector<std::string>& arguments) override;
  void setClipboardText(std::string_view text) override;
  std::string clipboardText() const override;

 private:
  QPointer<QWidget> parent_;
};

// "All Files (*.*)|*.*|Text File (.txt)|*.txt" as Qt's "All Files (*);;Text File (*.txt)". A filter
// already in Qt's form passes unchanged. "*.*" means every file, as it does on Windows.
QString QtFileFilter(std::string_view filter);
// The entry a save dialog starts on: the text-file entry where the filter has one.
QString PreselectedFilter(const QString& qt_filter);

// Only web and mail addresses and existing local files go to the default handler; anything else
// a page could name (javascript:, data:, custom schemes) is refused.
bool IsSafeToOpen(std::string_view target);

}  // namespace kestrum::ui
