#pragma once
// A plain-text pane that the engine drives through the TextPane seam. It never renders markup:
// text goes in as plain text only. Colours and bold are kept per line and handed to the layout
// of a line only when it is painted, so thousands of coloured ranges on a 10 MB page cost little.
// A very long line is shown as several blocks (laying out one block costs time growing with its
// length); those display breaks are no characters: positions, text and copies never see them.
#include <QPlainTextEdit>
#include <QTextBlock>
#include <memory>
#include <string>
#include <vector>

#include "core/seams.h"

namespace kestrum::ui {

class RichTextPane : public QPlainTextEdit, public TextPane {
  Q_OBJECT

 public:
  explicit RichTextPane(QWidget* parent = nullptr);

  std::string text() const override;
  std::optional<std::string_view> textView() const override { return std::string_view(currentText()); }
  void setText(std::string_view text) override;
  size_t length() const override;

  void select(size_t start, size_t length) override;
  size_t selectionStart() const override;
  size_t selectionLength() const override;
  std::string selectedText() const override;
  void setSelectionColor(Rgb color) override;
  void setSelectionBold(bool bold) override;
  void replaceSelection(std::string_view text) override;
  void replaceRanges(const std::vector<std::pair<size_t, size_t>>& ranges, std::string_view text) override;

  // Edits made inside this scope are the user's (Ctrl+Z undoes them); every other edit through
  // the seam is the program's own and stays out of the undo history.
  class UserEdit {
   public:
    explicit UserEdit(RichTextPane& pane) : pane_(pane), was_(pane.user_edit_) { pane_.user_edit_ = true; }
    ~UserEdit() { pane_.user_edit_ = was_; }
    UserEdit(const UserEdit&) = delete;
    UserEdit& operator=(const UserEdit&) = delete;

   private:
    RichTextPane& pane_;
    bool was_;
  };

  void applyFormats(const std::vector<TextFormatRun>& runs) override;
  std::vector<TextFormatRun> formats() const override;
  std::vector<TextFormatRun> formatsIn(size_t start, size_t end) const override;

  size_t find(std::string_view what, size_t from, bool match_case) const override;

  void setEnabled(bool enabled) override { QPlainTextEdit::setEnabled(enabled); }
  bool enabled() const override { return isEnabled(); }
  void setVisible(bool visible) override { QPlainTextEdit::setVisible(visible); }
  bool visible() const override { return !isHidden(); }

  // Engine positions count CR LF as two characters; the document holds one paragraph break.
  int documentPosition(size_t engine_position) const;
  size_t enginePosition(int document_position) const;

  // The 0-based line of the text that `block_number` shows (part of, when the line is split).
  int lineNumberOfBlock(int block_number) const;
  int lineCount() const;

  // The lines currently on screen, for the line-number gutter: the first block of each.
  struct VisibleLine {
    int number = 0;  // 0-based line number
    int top = 0;     // in viewport coordinates
    int height = 0;
  };
  std::vector<VisibleLine> visibleLines() const;

 signals:
  // setText is about to fill the emptied document with `blocks` blocks: what is sized by the
  // block count can resize the pane now, while that costs nothing.
  void blockCountAboutToChange(int blocks);

 protected:
  void paintEvent(QPaintEvent* event) override;
  QMimeData* createMimeDataFromSelection() const override;
  // Edits never remove a display break: undo would bring it back as a line break of the text.
  void keyPressEvent(QKeyEvent* event) override;
  void insertFromMimeData(const QMimeData* source) override;

 private:
  void onContentsChange(int position, int removed, int added);
  // Removes the text `cursor` selects but not the display breaks in it; true when there were any.
  bool removeSelectionKeepingDisplayBreaks(QTextCursor& cursor);
  void ensureLineTable() const;
  size_t lineOfEnginePosition(size_t position) const;
  size_t lineEnd(size_t line) const;
  // Changes the looks of [start, end) through `change`, which maps an old look to a new one.
  template <typename Change>
  void changeLooks(size_t start, size_t end, Change change);
  // The last block a batch of changes touched, and its index in the line table.
  struct LookCursor {
    size_t line = 0;
    QTextBlock block;
  };
  template <typename Change>
  void changeLooks(size_t start, size_t end, size_t text_length, Change change, LookCursor& cursor);
  uint32_t lookAt(size_t position) const;
  void applyPendingLooks(const QTextBlock& block);
  QString documentTextFromAnsi(std::string_view crlf_text) const;
  // Room for `characters` of document text, reused from the last page when it fits.
  char16_t* documentBuffer(size_t characters);
  // Document text of [from, to) without the display breaks; `line_break` between lines.
  QString documentText(int from, int to, QStringView line_break) const;
  // The engine text without a copy; rebuilt from the document after an edit.
  const std::string& currentText() const;
  // Runs `edit` on the document; outside a UserEdit it leaves no undo step behind.
  template <typename Edit>
  void editDocument(Edit edit);

  mutable std::string text_;  // engine text; rebuilt from the document after edits
  mutable bool text_valid_ = true;
  mutable std::vector<size_t> line_starts_;  // engine offset of every block's first character
  mutable std::vector<int> line_numbers_;    // line of the text every block belongs to
  mutable bool lines_valid_ = false;
  int block_count_ = 1;
  std::unique_ptr<char16_t[]> document_buffer_;
  size_t document_buffer_size_ = 0;
  bool loading_ = false;
  bool user_edit_ = false;

  // The selection the engine last set, kept because a CR LF half cannot be selected in the document.
  size_t engine_sel_start_ = 0, engine_sel_length_ = 0;
  int doc_sel_anchor_ = -1, doc_sel_position_ = -1;
};

}  // namespace kestrum::ui
