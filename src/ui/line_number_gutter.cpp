#include "ui/line_number_gutter.h"

#include <QPainter>
#include <QTextBlock>

#include "ui/rich_text_pane.h"

namespace kestrum::ui {
namespace {
// Numbers in the workspace colour, the caret's line in the tooltip colour, on a dark strip.
const QColor kGutterBackground(64, 64, 64);
const QColor kNumberColour(171, 171, 171);
const QColor kCurrentLineColour(255, 255, 225);
constexpr int kRightGap = 13;  // 200 twips
}  // namespace

LineNumberGutter::LineNumberGutter(RichTextPane* pane, QWidget* parent) : QWidget(parent), pane_(pane) {
  setObjectName(QStringLiteral("picLines"));
  connect(pane_, &QPlainTextEdit::updateRequest, this, [this] { update(); });
  connect(pane_, &QPlainTextEdit::cursorPositionChanged, this, [this] { update(); });
  const auto follow_block_count = [this](int lines) {
    const int digits = static_cast<int>(QString::number(std::max(1, lines)).size());
    if (digits != digits_) {
      digits_ = digits;
      emit widthChanged();
    }
    update();
  };
  connect(pane_, &QPlainTextEdit::blockCountChanged, this, follow_block_count);
  // A new text's count comes first while the pane is empty, so a new width costs no layout.
  connect(pane_, &RichTextPane::blockCountAboutToChange, this, follow_block_count);
}

std::vector<int> LineNumberGutter::shownNumbers() const {
  std::vector<int> numbers;
  for (const auto& line : pane_->visibleLines()) numbers.push_back(line.number + 1);
  return numbers;
}

int LineNumberGutter::preferredWidth() const {
  const int digits = static_cast<int>(QString::number(std::max(1, pane_->lineCount())).size());
  return std::max(40, pane_->fontMetrics().horizontalAdvance(QLatin1Char('9')) * digits + kRightGap + 6);
}

void LineNumberGutter::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), kGutterBackground);
  painter.setFont(pane_->font());
  const int current = pane_->lineNumberOfBlock(pane_->textCursor().blockNumber());
  // The pane's viewport starts below its frame; line the numbers up with its text.
  const int offset = pane_->geometry().top() - geometry().top() + pane_->viewport()->geometry().top();
  const int text_height = pane_->fontMetrics().height();
  for (const auto& line : pane_->visibleLines()) {
    const QString number = QString::number(line.number + 1);
    painter.setPen(line.number == current ? kCurrentLineColour : kNumberColour);
    painter.drawText(QRect(0, offset + line.top, width() - kRightGap, text_height), Qt::AlignRight | Qt::AlignTop,
                     number);
  }
}

}  // namespace kestrum::ui
