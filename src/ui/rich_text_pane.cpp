#include "ui/rich_text_pane.h"

#include <QFontDatabase>
#include <QKeyEvent>
#include <QMimeData>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTextBlock>
#include <QTextLayout>
#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <memory>

#include "core/text.h"
#include "ui/qt_text.h"

namespace kestrum::ui {
namespace {

constexpr uint32_t kBoldBit = 0x01000000u;

// Lines longer than this are shown in pieces of at most this many characters, each its own
// block, so only the pieces on screen are ever laid out.
constexpr qsizetype kLongestShownLine = 4096;
// A piece prefers to end after a space or a tag within its last quarter, so words stay whole.
constexpr qsizetype kBreakSearch = kLongestShownLine / 4;
// A block's user state saying that it continues the previous block's line (a display break).
constexpr int kContinuesLine = 1;

bool ContinuesLine(const QTextBlock& block) {
  return block.userState() == kContinuesLine;
}

// Where the piece of a line of `length` characters starting at `from` ends.
size_t PieceEnd(const unsigned char* line, size_t length, size_t from) {
  const size_t limit = from + static_cast<size_t>(kLongestShownLine);
  if (limit >= length) return length;
  for (size_t i = limit; i > limit - static_cast<size_t>(kBreakSearch); --i) {
    const unsigned char before = line[i - 1];
    if (before == ' ' || before == '>') return i;
  }
  return limit;
}

const std::array<char16_t, 256>& UnicodeOfByte() {
  static const std::array<char16_t, 256> table = [] {
    std::array<char16_t, 256> unicode{};
    for (size_t byte = 0; byte < unicode.size(); ++byte)
      unicode[byte] = static_cast<char16_t>(AnsiToUnicode(static_cast<unsigned char>(byte)));
    return unicode;
  }();
  return table;
}

// The text with every line break as CR LF, as ToCrLf gives it, written into `out` so that its
// buffer serves page after page.
void AssignCrLf(std::string& out, std::string_view in) {
  const size_t size = in.size();
  const char* const data = in.data();
  out.clear();
  out.reserve(size + size / 32);
  auto next = [&](char c, size_t from) {
    const void* hit = from < size ? std::memchr(data + from, c, size - from) : nullptr;
    return hit ? static_cast<size_t>(static_cast<const char*>(hit) - data) : size;
  };
  size_t next_cr = next('\r', 0), next_lf = next('\n', 0);
  for (size_t at = 0;;) {
    const size_t line_break = std::min(next_cr, next_lf);
    out.append(data + at, line_break - at);
    if (line_break == size) break;
    out.append("\r\n", 2);
    at = line_break + 1;
    if (data[line_break] == '\r' && at < size && data[at] == '\n') ++at;
    if (next_cr < at) next_cr = next('\r', at);
    if (next_lf < at) next_lf = next('\n', at);
  }
}

uint32_t PackLook(Rgb color, bool bold) {
  return (bold ? kBoldBit : 0u) | (uint32_t{color.r} << 16) | (uint32_t{color.g} << 8) | color.b;
}
Rgb LookColor(uint32_t look) {
  return Rgb{static_cast<uint8_t>(look >> 16), static_cast<uint8_t>(look >> 8), static_cast<uint8_t>(look)};
}
bool LookBold(uint32_t look) {
  return (look & kBoldBit) != 0;
}

// Looks of one line, in engine columns (the line's CR LF are the two columns after its text).
struct Segment {
  size_t start = 0, end = 0;
  uint32_t look = 0;
};

class LineLooks : public QTextBlockUserData {
 public:
  std::vector<Segment> segments;
  bool applied = false;  // the block's layout shows the current segments
};

LineLooks* LooksOf(const QTextBlock& block) {
  return static_cast<LineLooks*>(block.userData());
}

LineLooks& EnsureLooks(QTextBlock block) {
  if (auto* looks = LooksOf(block)) return *looks;
  auto* looks = new LineLooks;
  block.setUserData(looks);  // the block owns it
  return *looks;
}

void MergeNeighbours(std::vector<Segment>& segments) {
  std::vector<Segment> merged;
  merged.reserve(segments.size());
  for (const auto& s : segments) {
    if (s.look == 0 || s.start >= s.end) continue;
    if (!merged.empty() && merged.back().end == s.start && merged.back().look == s.look)
      merged.back().end = s.end;
    else
      merged.push_back(s);
  }
  segments.swap(merged);
}

template <typename Change>
void ChangeSegments(std::vector<Segment>& segments, size_t a, size_t b, Change change) {
  if (a >= b) return;
  // Fast path: runs usually arrive in order, after everything already coloured on the line.
  if (segments.empty() || segments.back().end <= a) {
    const uint32_t look = change(0u);
    if (look == 0) return;
    if (!segments.empty() && segments.back().end == a && segments.back().look == look) {
      segments.back().end = b;
    } else {
      if (segments.empty()) segments.reserve(2);  // most coloured lines hold one or two runs
      segments.push_back({a, b, look});
    }
    return;
  }
  std::vector<Segment> out;
  out.reserve(segments.size() + 3);
  size_t pos = a;  // next column of [a, b) not yet written
  for (const auto& s : segments) {
    if (s.end <= a || s.start >= b) {
      if (s.start >= b && pos < b) {
        out.push_back({pos, b, change(0u)});
        pos = b;
      }
      out.push_back(s);
      continue;
    }
    if (s.start < a) out.push_back({s.start, a, s.look});
    if (pos < s.start) out.push_back({pos, s.start, change(0u)});
    const size_t overlap_end = std::min(s.end, b);
    out.push_back({std::max(s.start, a), overlap_end, change(s.look)});
    pos = overlap_end;
    if (s.end > b) out.push_back({b, s.end, s.look});
  }
  if (pos < b) out.push_back({pos, b, change(0u)});
  MergeNeighbours(out);
  segments.swap(out);
}

// An edit inside one line: columns [column, column + removed) became `added` new characters.
void ShiftSegments(std::vector<Segment>& segments, size_t column, size_t removed, size_t added) {
  std::vector<Segment> out;
  const size_t cut_end = column + removed;
  for (auto s : segments) {
    if (s.end <= column) {
      out.push_back(s);
      continue;
    }
    if (s.start >= cut_end) {
      out.push_back({s.start - removed + added, s.end - removed + added, s.look});
      continue;
    }
    if (s.start < column) out.push_back({s.start, column, s.look});
    if (s.end > cut_end) out.push_back({column + added, s.end - removed + added, s.look});
  }
  MergeNeighbours(out);
  segments.swap(out);
}

QTextCharFormat FormatOfLook(uint32_t look) {
  QTextCharFormat format;
  format.setForeground(ToQColor(LookColor(look)));
  format.setFontWeight(LookBold(look) ? QFont::Bold : QFont::Normal);
  return format;
}

// Keys that change the text where the cursor is (or replace the selection).
bool EditsText(QKeyEvent* event) {
  const int key = event->key();
  if (event == QKeySequence::Cut || key == Qt::Key_Backspace || key == Qt::Key_Delete || key == Qt::Key_Return ||
      key == Qt::Key_Enter)
    return true;
  const QString typed = event->text();
  return !typed.isEmpty() && (typed.front().isPrint() || typed.front() == u'\t') &&
         !(event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier));
}

}  // namespace

RichTextPane::RichTextPane(QWidget* parent) : QPlainTextEdit(parent) {
  setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  // Black on white whatever the desktop theme, so the colours the engine chose read as meant.
  QPalette colours = palette();
  colours.setColor(QPalette::Base, Qt::white);
  colours.setColor(QPalette::Text, Qt::black);
  setPalette(colours);
  setLineWrapMode(QPlainTextEdit::NoWrap);
  // Qt's default wrap falls back to breaking anywhere inside a long word, which costs time
  // growing with the square of the word: a 1 MB Base64 run would hold the window for a minute.
  // Word boundaries only: a longer run stays one line and scrolls.
  setWordWrapMode(QTextOption::WordWrap);
  connect(document(), &QTextDocument::contentsChange, this, &RichTextPane::onContentsChange);
}

QString RichTextPane::documentTextFromAnsi(std::string_view crlf_text) const {
  QString out(static_cast<qsizetype>(crlf_text.size()), Qt::Uninitialized);
  QChar* characters = out.data();
  qsizetype used = 0;
  for (size_t i = 0; i < crlf_text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(crlf_text[i]);
    if (byte == '\r' && i + 1 < crlf_text.size() && crlf_text[i + 1] == '\n') continue;
    characters[used++] = QChar(static_cast<char16_t>(AnsiToUnicode(byte)));
  }
  out.truncate(used);
  return out;
}

void RichTextPane::setText(std::string_view text) {
  loading_ = true;
  if (std::less_equal<>()(text_.data(), text.data()) && std::less<>()(text.data(), text_.data() + text_.capacity())) {
    const std::string own(text);  // a view of this pane's own text
    AssignCrLf(text_, own);
  } else {
    AssignCrLf(text_, text);
  }
  text_valid_ = true;

  // One pass over the lines gives the document text (a CR LF is one paragraph break, a long line
  // is cut into pieces) and the engine offset and line of every block.
  const size_t size = text_.size();
  const auto* bytes = reinterpret_cast<const unsigned char*>(text_.data());
  char16_t* shown = documentBuffer(size + size / static_cast<size_t>(kLongestShownLine - kBreakSearch) + 1);
  const auto& unicode = UnicodeOfByte();
  size_t used = 0;
  std::vector<int> continuing_blocks;
  line_starts_.clear();
  line_numbers_.clear();
  for (size_t line_start = 0, line = 0;; ++line) {
    const auto* lf = static_cast<const unsigned char*>(std::memchr(bytes + line_start, '\n', size - line_start));
    const size_t line_end = lf ? static_cast<size_t>(lf - bytes) - 1 : size;  // every LF follows a CR
    const unsigned char* characters = bytes + line_start;
    const size_t line_length = line_end - line_start;
    size_t from = 0;
    do {
      const size_t to = PieceEnd(characters, line_length, from);
      if (from > 0) {
        continuing_blocks.push_back(static_cast<int>(line_starts_.size()));
        shown[used++] = u'\n';
      }
      line_starts_.push_back(line_start + from);
      line_numbers_.push_back(static_cast<int>(line));
      for (size_t i = from; i < to; ++i) shown[used++] = unicode[characters[i]];
      from = to;
    } while (from < line_length);
    if (!lf) break;
    shown[used++] = u'\n';
    line_start = line_end + 2;
  }
  // The table and selection are valid before the document is: signals during the load may ask.
  lines_valid_ = true;
  engine_sel_start_ = engine_sel_length_ = 0;
  doc_sel_anchor_ = doc_sel_position_ = -1;

  // The pane's signals wait until text, display breaks and caret are all in place, and then say
  // what changed, as QPlainTextEdit::setPlainText would have.
  QTextDocument& doc = *document();
  const int blocks_before = doc.blockCount();
  const bool had_undo = doc.isUndoAvailable(), had_redo = doc.isRedoAvailable();
  const bool was_modified = doc.isModified();
  const bool had_selection = textCursor().hasSelection();
  {
    const QSignalBlocker quiet(this);
    doc.clear();
  }
  // Said while the document is empty: a gutter that widens with the line count resizes the pane,
  // and a resize over a full document makes every block lay itself out again.
  const int blocks_after = static_cast<int>(line_starts_.size());
  if (blocks_after != blocks_before) emit blockCountAboutToChange(blocks_after);
  // Likewise the vertical scroll bar a long text brings: shown now, it narrows an empty pane.
  QScrollBar* bar = verticalScrollBar();
  if (isVisible() && !bar->isVisible() && verticalScrollBarPolicy() == Qt::ScrollBarAsNeeded &&
      blocks_after > viewport()->height() / std::max(1, fontMetrics().lineSpacing())) {
    bar->setRange(0, blocks_after);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);  // lays the scroll bars out at once
  }
  {
    const QSignalBlocker quiet(this);
    // The document's own setPlainText: QPlainTextEdit's then sets the format every character
    // already has, one fragment at a time.
    doc.setPlainText(QString::fromRawData(reinterpret_cast<const QChar*>(shown), static_cast<qsizetype>(used)));
    doc.setModified(false);
    for (const int number : continuing_blocks) doc.findBlockByNumber(number).setUserState(kContinuesLine);
    setTextCursor(QTextCursor(&doc));
  }
  block_count_ = doc.blockCount();
  if (static_cast<size_t>(block_count_) != line_starts_.size()) lines_valid_ = false;
  loading_ = false;

  if (block_count_ != blocks_before) emit blockCountChanged(block_count_);
  if (had_undo) emit undoAvailable(false);
  if (had_redo) emit redoAvailable(false);
  if (was_modified) emit modificationChanged(false);
  if (had_selection) {
    emit copyAvailable(false);
    emit selectionChanged();
  }
  emit textChanged();
  emit cursorPositionChanged();
}

char16_t* RichTextPane::documentBuffer(size_t characters) {
  // Kept from one page to the next: fresh memory costs most of converting a page the first
  // time it is touched. A much smaller page lets it go.
  if (characters > document_buffer_size_ || characters < document_buffer_size_ / 4) {
    document_buffer_.reset();
    document_buffer_ = std::make_unique_for_overwrite<char16_t[]>(characters);
    document_buffer_size_ = characters;
  }
  return document_buffer_.get();
}

std::string RichTextPane::text() const {
  return currentText();
}

const std::string& RichTextPane::currentText() const {
  if (!text_valid_) {
    text_ = AnsiFromQString(documentText(0, document()->characterCount() - 1, u"\r\n"));
    text_valid_ = true;
  }
  return text_;
}

QString RichTextPane::documentText(int from, int to, QStringView line_break) const {
  QString joined;
  joined.reserve(to - from + document()->blockCount());
  for (QTextBlock block = document()->findBlock(from); block.isValid() && block.position() <= to;
       block = block.next()) {
    if (block.position() > from && !ContinuesLine(block)) joined += line_break;
    const int start = std::max(from, block.position());
    const int end = std::min(to, block.position() + block.length() - 1);
    if (start < end) joined += QStringView(block.text()).sliced(start - block.position(), end - start);
  }
  return joined;
}

QMimeData* RichTextPane::createMimeDataFromSelection() const {
  const QTextCursor cursor = textCursor();
  auto* mime = new QMimeData;
  mime->setText(documentText(cursor.selectionStart(), cursor.selectionEnd(), u"\n"));
  return mime;
}

size_t RichTextPane::length() const {
  ensureLineTable();
  const QTextBlock last = document()->lastBlock();
  return line_starts_.back() + static_cast<size_t>(std::max(0, last.length() - 1));
}

void RichTextPane::ensureLineTable() const {
  if (lines_valid_) return;
  line_starts_.clear();
  line_numbers_.clear();
  line_starts_.reserve(static_cast<size_t>(document()->blockCount()));
  line_numbers_.reserve(static_cast<size_t>(document()->blockCount()));
  size_t start = 0;
  int line = -1;
  for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
    if (line < 0 || !ContinuesLine(block)) {
      if (line >= 0) start += 2;  // the CR LF ending the previous line
      ++line;
    }
    line_starts_.push_back(start);
    line_numbers_.push_back(line);
    start += static_cast<size_t>(block.length() - 1);
  }
  if (line_starts_.empty()) {
    line_starts_.push_back(0);
    line_numbers_.push_back(0);
  }
  lines_valid_ = true;
}

size_t RichTextPane::lineOfEnginePosition(size_t position) const {
  ensureLineTable();
  const auto next = std::upper_bound(line_starts_.begin(), line_starts_.end(), position);
  return static_cast<size_t>(next - line_starts_.begin()) - 1;
}

size_t RichTextPane::lineEnd(size_t line) const {
  ensureLineTable();
  return line + 1 < line_starts_.size() ? line_starts_[line + 1] : length();
}

int RichTextPane::documentPosition(size_t engine_position) const {
  const size_t line = lineOfEnginePosition(std::min(engine_position, length()));
  const QTextBlock block = document()->findBlockByNumber(static_cast<int>(line));
  const size_t column = std::min(engine_position - line_starts_[line], static_cast<size_t>(block.length() - 1));
  return block.position() + static_cast<int>(column);
}

size_t RichTextPane::enginePosition(int document_position) const {
  ensureLineTable();
  const QTextBlock block = document()->findBlock(std::max(0, document_position));
  if (!block.isValid()) return length();
  const int column = std::min(document_position - block.position(), block.length() - 1);
  return line_starts_[static_cast<size_t>(block.blockNumber())] + static_cast<size_t>(std::max(0, column));
}

void RichTextPane::select(size_t start, size_t selection_length) {
  const size_t total = length();
  engine_sel_start_ = std::min(start, total);
  engine_sel_length_ = std::min(selection_length, total - engine_sel_start_);
  QTextCursor cursor(document());
  doc_sel_anchor_ = documentPosition(engine_sel_start_);
  doc_sel_position_ = documentPosition(engine_sel_start_ + engine_sel_length_);
  cursor.setPosition(doc_sel_anchor_);
  cursor.setPosition(doc_sel_position_, QTextCursor::KeepAnchor);
  setTextCursor(cursor);
}

size_t RichTextPane::selectionStart() const {
  const QTextCursor cursor = textCursor();
  if (cursor.anchor() == doc_sel_anchor_ && cursor.position() == doc_sel_position_) return engine_sel_start_;
  return enginePosition(cursor.selectionStart());
}

size_t RichTextPane::selectionLength() const {
  const QTextCursor cursor = textCursor();
  if (cursor.anchor() == doc_sel_anchor_ && cursor.position() == doc_sel_position_) return engine_sel_length_;
  return enginePosition(cursor.selectionEnd()) - enginePosition(cursor.selectionStart());
}

std::string RichTextPane::selectedText() const {
  const std::string& all = currentText();
  const size_t start = std::min(selectionStart(), all.size());
  return all.substr(start, selectionLength());
}

template <typename Change>
void RichTextPane::changeLooks(size_t start, size_t end, Change change) {
  LookCursor cursor;
  changeLooks(start, end, length(), change, cursor);
  viewport()->update();
}

template <typename Change>
void RichTextPane::changeLooks(size_t start, size_t end, size_t text_length, Change change, LookCursor& cursor) {
  end = std::min(end, text_length);
  if (start >= end) return;
  ensureLineTable();
  // Runs mostly come in order: their line is the last one's or a few on, reached by stepping
  // rather than by a search of the line table and another of the document.
  size_t line = cursor.line;
  QTextBlock block = cursor.block;
  bool found = block.isValid() && start >= line_starts_[line];
  for (int step = 0; found && line + 1 < line_starts_.size() && line_starts_[line + 1] <= start; ++step) {
    found = step < 8;
    ++line;
    block = block.next();
  }
  if (!found) {
    line = lineOfEnginePosition(start);
    block = document()->findBlockByNumber(static_cast<int>(line));
  }
  while (block.isValid()) {
    const size_t line_start = line_starts_[line];
    const size_t piece_end = std::min(end, lineEnd(line));
    LineLooks& looks = EnsureLooks(block);
    ChangeSegments(looks.segments, start - line_start, piece_end - line_start, change);
    looks.applied = false;
    cursor = {line, block};
    start = piece_end;
    if (start >= end) break;
    ++line;
    block = block.next();
  }
}

void RichTextPane::setSelectionColor(Rgb color) {
  const size_t start = selectionStart();
  const uint32_t colour = PackLook(color, false);
  changeLooks(start, start + selectionLength(), [colour](uint32_t old) { return (old & kBoldBit) | colour; });
}

void RichTextPane::setSelectionBold(bool bold) {
  const size_t start = selectionStart();
  changeLooks(start, start + selectionLength(),
              [bold](uint32_t old) { return bold ? (old | kBoldBit) : (old & ~kBoldBit); });
}

uint32_t RichTextPane::lookAt(size_t position) const {
  if (position >= length()) return 0;
  const size_t line = lineOfEnginePosition(position);
  const LineLooks* looks = LooksOf(document()->findBlockByNumber(static_cast<int>(line)));
  if (!looks) return 0;
  const size_t column = position - line_starts_[line];
  for (const auto& s : looks->segments)
    if (column >= s.start && column < s.end) return s.look;
  return 0;
}

void RichTextPane::replaceSelection(std::string_view replacement) {
  const size_t start = selectionStart();
  const size_t removed = selectionLength();
  const uint32_t look = lookAt(start);
  const std::string inserted = ToCrLf(replacement);
  const std::string before = currentText();
  const size_t end = std::min(before.size(), start + removed);
  // Within one line the looks shift with the edit; across lines they are laid out afresh.
  const bool across_lines =
      std::string_view(before).substr(start, end - start).find_first_of("\r\n") != std::string_view::npos ||
      inserted.find_first_of("\r\n") != std::string::npos || lineOfEnginePosition(start) != lineOfEnginePosition(end);
  std::vector<TextFormatRun> kept;
  if (across_lines) {
    const size_t added = inserted.size();
    for (const auto& run : formats()) {
      const size_t a = run.start, b = run.start + run.length;
      if (a < start) kept.push_back({a, std::min(b, start) - a, run.color, run.bold});
      if (b > end) {
        const size_t from = std::max(a, end);
        kept.push_back({from - end + start + added, b - from, run.color, run.bold});
      }
    }
  }

  editDocument([&] {
    QTextCursor cursor(document());
    cursor.setPosition(documentPosition(start));
    cursor.setPosition(documentPosition(end), QTextCursor::KeepAnchor);
    cursor.beginEditBlock();
    removeSelectionKeepingDisplayBreaks(cursor);
    cursor.insertText(documentTextFromAnsi(inserted));
    cursor.endEditBlock();
  });

  text_ = before.substr(0, start) + inserted + before.substr(end);
  text_valid_ = true;
  if (across_lines) {
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
      if (auto* looks = LooksOf(block)) {
        looks->segments.clear();
        looks->applied = false;
      }
    }
    applyFormats(kept);
  }
  changeLooks(start, start + inserted.size(), [look](uint32_t) { return look; });
  select(start + inserted.size(), 0);
}

template <typename Edit>
void RichTextPane::editDocument(Edit edit) {
  if (user_edit_) {
    edit();
    return;
  }
  // Switching undo off drops the history; the program's writes replace what the user sees anyway.
  document()->setUndoRedoEnabled(false);
  edit();
  document()->setUndoRedoEnabled(true);
}

void RichTextPane::replaceRanges(const std::vector<std::pair<size_t, size_t>>& ranges, std::string_view replacement) {
  if (ranges.empty()) return;
  const std::string inserted = ToCrLf(replacement);
  const std::string before = currentText();
  bool across_lines = inserted.find_first_of("\r\n") != std::string::npos;
  // A range across a display break spans two blocks though it holds no line break.
  for (const auto& [start, count] : ranges)
    across_lines = across_lines ||
                   std::string_view(before).substr(start, count).find_first_of("\r\n") != std::string_view::npos ||
                   lineOfEnginePosition(start) != lineOfEnginePosition(start + count);
  if (across_lines) {
    TextPane::replaceRanges(ranges, replacement);
    return;
  }
  // Every range lies inside one line and no line break comes or goes, so the document positions
  // and line columns worked out now stay true while the ranges are replaced from the last one.
  struct Edit {
    int doc_start, doc_end;
    size_t line, column, removed;
    uint32_t look;
  };
  std::vector<Edit> edits;
  edits.reserve(ranges.size());
  for (const auto& [start, count] : ranges) {
    const size_t line = lineOfEnginePosition(start);
    edits.push_back({documentPosition(start), documentPosition(start + count), line, start - line_starts_[line], count,
                     lookAt(start)});
  }
  const QString document_text = documentTextFromAnsi(inserted);
  loading_ = true;  // the looks are shifted here, edit by edit
  editDocument([&] {
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    for (auto edit = edits.rbegin(); edit != edits.rend(); ++edit) {
      const QTextBlock block = document()->findBlock(edit->doc_start);
      if (auto* looks = LooksOf(block)) {
        ShiftSegments(looks->segments, edit->column, edit->removed, inserted.size());
        looks->applied = false;
      }
      cursor.setPosition(edit->doc_start);
      cursor.setPosition(edit->doc_end, QTextCursor::KeepAnchor);
      cursor.insertText(document_text);
    }
    cursor.endEditBlock();
  });
  loading_ = false;

  std::string after;
  after.reserve(before.size() + ranges.size() * inserted.size());
  size_t copied = 0;
  std::vector<size_t> new_starts;
  new_starts.reserve(ranges.size());
  for (const auto& [start, count] : ranges) {
    after.append(before, copied, start - copied);
    new_starts.push_back(after.size());
    after += inserted;
    copied = start + count;
  }
  after.append(before, copied, std::string::npos);
  text_ = std::move(after);
  text_valid_ = true;
  lines_valid_ = false;
  for (size_t i = 0; i < edits.size(); ++i) {
    const uint32_t look = edits[i].look;
    changeLooks(new_starts[i], new_starts[i] + inserted.size(), [look](uint32_t) { return look; });
  }
  select(new_starts.back() + inserted.size(), 0);
}

void RichTextPane::applyFormats(const std::vector<TextFormatRun>& runs) {
  if (runs.empty()) return;
  const size_t text_length = length();
  LookCursor cursor;
  for (const auto& run : runs) {
    const uint32_t look = PackLook(run.color, run.bold);
    changeLooks(
        run.start, run.start + run.length, text_length, [look](uint32_t) { return look; }, cursor);
  }
  viewport()->update();
}

std::vector<TextFormatRun> RichTextPane::formats() const {
  ensureLineTable();
  std::vector<TextFormatRun> runs;
  size_t number = 0;  // counted along: asking a block for its number searches the document
  for (QTextBlock block = document()->begin(); block.isValid(); block = block.next(), ++number) {
    const LineLooks* looks = LooksOf(block);
    if (!looks) continue;
    const size_t line_start = line_starts_[number];
    for (const auto& s : looks->segments) {
      const size_t start = line_start + s.start;
      if (!runs.empty() && runs.back().start + runs.back().length == start &&
          PackLook(runs.back().color, runs.back().bold) == s.look) {
        runs.back().length += s.end - s.start;
      } else {
        runs.push_back({start, s.end - s.start, LookColor(s.look), LookBold(s.look)});
      }
    }
  }
  return runs;
}

std::vector<TextFormatRun> RichTextPane::formatsIn(size_t start, size_t end) const {
  ensureLineTable();
  std::vector<TextFormatRun> runs;
  if (start >= end) return runs;
  // From the block holding `start`, found in the table of block starts, to the one holding `end`.
  size_t number =
      static_cast<size_t>(std::upper_bound(line_starts_.begin(), line_starts_.end(), start) - line_starts_.begin());
  number = number == 0 ? 0 : number - 1;
  for (QTextBlock block = document()->findBlockByNumber(static_cast<int>(number));
       block.isValid() && number < line_starts_.size() && line_starts_[number] < end; block = block.next(), ++number) {
    const LineLooks* looks = LooksOf(block);
    if (!looks) continue;
    const size_t line_start = line_starts_[number];
    for (const auto& s : looks->segments) {
      const size_t first = std::max(line_start + s.start, start), last = std::min(line_start + s.end, end);
      if (first >= last) continue;
      if (!runs.empty() && runs.back().start + runs.back().length == first &&
          PackLook(runs.back().color, runs.back().bold) == s.look) {
        runs.back().length += last - first;
      } else {
        runs.push_back({first, last - first, LookColor(s.look), LookBold(s.look)});
      }
    }
  }
  return runs;
}

size_t RichTextPane::find(std::string_view what, size_t from, bool match_case) const {
  const std::string& all = currentText();
  if (from > all.size()) return kNotFound;
  const size_t hit = match_case ? std::string_view(all).find(what, from) : FindNoCase(all, what, from);
  return hit == std::string_view::npos ? kNotFound : hit;
}

bool RichTextPane::removeSelectionKeepingDisplayBreaks(QTextCursor& cursor) {
  const int start = cursor.selectionStart();
  int end = cursor.selectionEnd();
  bool kept = false;
  // From the end backwards, so the positions before each removal stay as they were.
  for (QTextBlock block = document()->findBlock(end); block.isValid() && block.position() > start;
       block = block.previous()) {
    if (!ContinuesLine(block)) continue;
    QTextCursor piece(document());
    piece.setPosition(block.position());
    piece.setPosition(end, QTextCursor::KeepAnchor);
    piece.removeSelectedText();
    end = block.position() - 1;
    kept = true;
  }
  cursor.setPosition(start);
  cursor.setPosition(end, QTextCursor::KeepAnchor);
  cursor.removeSelectedText();
  return kept;
}

void RichTextPane::keyPressEvent(QKeyEvent* event) {
  if (isReadOnly() || !EditsText(event)) {
    QPlainTextEdit::keyPressEvent(event);
    return;
  }
  QTextCursor cursor = textCursor();
  cursor.beginEditBlock();  // one undo step, whatever the key takes apart
  bool done = false;
  if (cursor.hasSelection()) {
    if (event == QKeySequence::Cut) copy();
    const bool only_removes =
        event == QKeySequence::Cut || event->key() == Qt::Key_Backspace || event->key() == Qt::Key_Delete;
    done = removeSelectionKeepingDisplayBreaks(cursor) && only_removes;
    setTextCursor(cursor);
  } else if (event->key() == Qt::Key_Backspace) {
    while (cursor.atBlockStart() && ContinuesLine(cursor.block())) cursor.setPosition(cursor.position() - 1);
    setTextCursor(cursor);
  } else if (event->key() == Qt::Key_Delete) {
    while (cursor.atBlockEnd() && ContinuesLine(cursor.block().next())) cursor.setPosition(cursor.position() + 1);
    setTextCursor(cursor);
  }
  if (!done) QPlainTextEdit::keyPressEvent(event);
  cursor.endEditBlock();
}

void RichTextPane::insertFromMimeData(const QMimeData* source) {
  QTextCursor cursor = textCursor();
  cursor.beginEditBlock();
  if (cursor.hasSelection()) {
    removeSelectionKeepingDisplayBreaks(cursor);
    setTextCursor(cursor);
  }
  QPlainTextEdit::insertFromMimeData(source);
  cursor.endEditBlock();
}

void RichTextPane::onContentsChange(int position, int removed, int added) {
  if (loading_) return;
  text_valid_ = false;
  lines_valid_ = false;
  const QTextBlock first = document()->findBlock(position);
  const QTextBlock last = document()->findBlock(position + added);
  const int blocks_now = document()->blockCount();
  if (first == last && blocks_now == block_count_) {
    if (auto* looks = LooksOf(first)) {
      ShiftSegments(looks->segments, static_cast<size_t>(position - first.position()), static_cast<size_t>(removed),
                    static_cast<size_t>(added));
      looks->applied = false;
    }
  } else {
    // Line breaks came or went: the looks of the touched lines no longer line up; drop them.
    for (QTextBlock block = first; block.isValid(); block = block.next()) {
      if (auto* looks = LooksOf(block)) {
        looks->segments.clear();
        looks->applied = false;
      }
      if (block == last) break;
    }
  }
  block_count_ = blocks_now;
}

void RichTextPane::applyPendingLooks(const QTextBlock& block) {
  LineLooks* looks = LooksOf(block);
  if (!looks || looks->applied) return;
  looks->applied = true;
  const int text_length = block.length() - 1;
  QList<QTextLayout::FormatRange> ranges;
  ranges.reserve(static_cast<qsizetype>(looks->segments.size()));
  for (const auto& s : looks->segments) {
    if (static_cast<int>(s.start) >= text_length) break;
    const int end = std::min(static_cast<int>(s.end), text_length);
    ranges.push_back({static_cast<int>(s.start), end - static_cast<int>(s.start), FormatOfLook(s.look)});
  }
  QTextLayout* layout = block.layout();
  const bool laid_out = layout->lineCount() > 0;
  layout->setFormats(ranges);
  // Bold changes widths: a line already laid out must be laid out again.
  if (laid_out) document()->markContentsDirty(block.position(), block.length());
}

void RichTextPane::paintEvent(QPaintEvent* event) {
  const int bottom = viewport()->height();
  for (QTextBlock block = firstVisibleBlock(); block.isValid(); block = block.next()) {
    const QRectF box = blockBoundingGeometry(block).translated(contentOffset());
    if (box.top() > bottom) break;
    applyPendingLooks(block);
  }
  QPlainTextEdit::paintEvent(event);
}

int RichTextPane::lineNumberOfBlock(int block_number) const {
  ensureLineTable();
  const auto index = static_cast<size_t>(std::clamp(block_number, 0, static_cast<int>(line_numbers_.size()) - 1));
  return line_numbers_[index];
}

int RichTextPane::lineCount() const {
  ensureLineTable();
  return line_numbers_.back() + 1;
}

std::vector<RichTextPane::VisibleLine> RichTextPane::visibleLines() const {
  std::vector<VisibleLine> lines;
  const int bottom = viewport()->height();
  for (QTextBlock block = firstVisibleBlock(); block.isValid(); block = block.next()) {
    const QRectF box = blockBoundingGeometry(block).translated(contentOffset());
    if (box.top() > bottom) break;
    if (block.isVisible() && !ContinuesLine(block))
      lines.push_back(
          {lineNumberOfBlock(block.blockNumber()), static_cast<int>(box.top()), static_cast<int>(box.height())});
  }
  return lines;
}

}  // namespace kestrum::ui
