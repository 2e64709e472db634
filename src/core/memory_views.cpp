#include "core/memory_views.h"

#include <algorithm>

#include "core/text.h"

namespace kestrum {

uint32_t MemoryTextPane::Pack(Rgb color, bool bold) {
  return (bold ? 0x01000000u : 0u) | (uint32_t{color.r} << 16) | (uint32_t{color.g} << 8) | color.b;
}

void MemoryTextPane::ensureLooks() {
  if (looks_.size() != text_.size()) looks_.assign(text_.size(), 0);
}

void MemoryTextPane::setText(std::string_view text) {
  text_ = std::string(text);
  looks_.clear();
  sel_start_ = sel_length_ = 0;
}

void MemoryTextPane::select(size_t start, size_t length) {
  sel_start_ = std::min(start, text_.size());
  sel_length_ = std::min(length, text_.size() - sel_start_);
}

void MemoryTextPane::setSelectionColor(Rgb color) {
  if (sel_length_ == 0) return;
  ensureLooks();
  for (size_t i = sel_start_; i < sel_start_ + sel_length_; ++i)
    looks_[i] = (looks_[i] & 0x01000000u) | Pack(color, false);
}

void MemoryTextPane::setSelectionBold(bool bold) {
  if (sel_length_ == 0) return;
  ensureLooks();
  for (size_t i = sel_start_; i < sel_start_ + sel_length_; ++i)
    looks_[i] = bold ? (looks_[i] | 0x01000000u) : (looks_[i] & 0x00FFFFFFu);
}

void MemoryTextPane::replaceSelection(std::string_view text) {
  const uint32_t look = looks_.empty() || sel_start_ >= looks_.size() ? 0 : looks_[sel_start_];
  text_.replace(sel_start_, sel_length_, text);
  if (!looks_.empty()) {
    looks_.erase(looks_.begin() + static_cast<std::ptrdiff_t>(sel_start_),
                 looks_.begin() + static_cast<std::ptrdiff_t>(sel_start_ + sel_length_));
    looks_.insert(looks_.begin() + static_cast<std::ptrdiff_t>(sel_start_), text.size(), look);
  }
  sel_start_ += text.size();
  sel_length_ = 0;
}

void MemoryTextPane::applyFormats(const std::vector<TextFormatRun>& runs) {
  if (runs.empty()) return;
  ensureLooks();
  for (const auto& run : runs) {
    const size_t start = std::min(run.start, text_.size());
    const size_t end = start + std::min(run.length, text_.size() - start);  // no overflow for huge lengths
    std::fill(looks_.begin() + static_cast<std::ptrdiff_t>(start), looks_.begin() + static_cast<std::ptrdiff_t>(end),
              Pack(run.color, run.bold));
  }
}

std::vector<TextFormatRun> MemoryTextPane::formats() const {
  std::vector<TextFormatRun> runs;
  size_t i = 0;
  while (i < looks_.size()) {
    if (looks_[i] == 0) {
      ++i;
      continue;
    }
    size_t j = i + 1;
    while (j < looks_.size() && looks_[j] == looks_[i]) ++j;
    const uint32_t look = looks_[i];
    runs.push_back({i, j - i,
                    Rgb{static_cast<uint8_t>(look >> 16), static_cast<uint8_t>(look >> 8), static_cast<uint8_t>(look)},
                    (look & 0x01000000u) != 0});
    i = j;
  }
  return runs;
}

size_t MemoryTextPane::find(std::string_view what, size_t from, bool match_case) const {
  if (from > text_.size()) return kNotFound;
  const size_t hit = match_case ? std::string_view(text_).find(what, from) : FindNoCase(text_, what, from);
  return hit == std::string_view::npos ? kNotFound : hit;
}

Rgb MemoryTextPane::colorAt(size_t position) const {
  const uint32_t look = position < looks_.size() ? looks_[position] : 0;
  return Rgb{static_cast<uint8_t>(look >> 16), static_cast<uint8_t>(look >> 8), static_cast<uint8_t>(look)};
}

bool MemoryTextPane::boldAt(size_t position) const {
  return position < looks_.size() && (looks_[position] & 0x01000000u) != 0;
}

void MemoryItemList::addMany(const std::vector<std::string>& items) {
  items_.insert(items_.end(), items.begin(), items.end());
}

void MemoryItemList::remove(size_t index) {
  if (index < items_.size()) items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
}

}  // namespace kestrum
