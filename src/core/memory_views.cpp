#include "core/memory_views.h"

#include <algorithm>

#include "core/text.h"

namespace kestrum {

namespace {

constexpr uint8_t kBoldBit = 0x80;
constexpr uint8_t kColourBits = 0x7F;
constexpr size_t kPaletteSize = 128;
constexpr size_t kEditRoom = 4096;

int ColourDistance(Rgb a, Rgb b) {
  const int dr = a.r - b.r, dg = a.g - b.g, db = a.b - b.b;
  return dr * dr + dg * dg + db * db;
}

}  // namespace

uint8_t MemoryTextPane::lookOf(Rgb color, bool bold) {
  auto held = std::find(palette_.begin(), palette_.end(), color);
  if (held == palette_.end()) {
    if (palette_.size() < kPaletteSize) {
      palette_.push_back(color);
      held = palette_.end() - 1;
    } else {
      held = std::min_element(palette_.begin(), palette_.end(),
                              [&](Rgb a, Rgb b) { return ColourDistance(a, color) < ColourDistance(b, color); });
    }
  }
  return static_cast<uint8_t>((bold ? kBoldBit : 0) | (held - palette_.begin()));
}

void MemoryTextPane::ensureLooks() {
  if (looks_.size() == text_.size()) return;
  looks_.reserve(text_.capacity());
  looks_.assign(text_.size(), 0);
}

void MemoryTextPane::setText(std::string_view text) {
  // Room for the placeholders the Dissect command fills in, so that a replacement moves the
  // text's tail in place instead of copying the whole text to a new buffer.
  std::string fresh;
  fresh.reserve(text.size() + kEditRoom);
  fresh.assign(text);
  text_ = std::move(fresh);
  looks_.clear();
  looks_.shrink_to_fit();
  sel_start_ = sel_length_ = 0;
}

void MemoryTextPane::takeText(std::string&& text) {
  if (text.capacity() < text.size() + kEditRoom) text.reserve(text.size() + kEditRoom);
  text_ = std::move(text);
  looks_.clear();
  looks_.shrink_to_fit();
  sel_start_ = sel_length_ = 0;
}

void MemoryTextPane::select(size_t start, size_t length) {
  sel_start_ = std::min(start, text_.size());
  sel_length_ = std::min(length, text_.size() - sel_start_);
}

void MemoryTextPane::setSelectionColor(Rgb color) {
  if (sel_length_ == 0) return;
  ensureLooks();
  const uint8_t colour = lookOf(color, false);
  for (size_t i = sel_start_; i < sel_start_ + sel_length_; ++i)
    looks_[i] = static_cast<uint8_t>((looks_[i] & kBoldBit) | colour);
}

void MemoryTextPane::setSelectionBold(bool bold) {
  if (sel_length_ == 0) return;
  ensureLooks();
  for (size_t i = sel_start_; i < sel_start_ + sel_length_; ++i)
    looks_[i] = static_cast<uint8_t>(bold ? (looks_[i] | kBoldBit) : (looks_[i] & kColourBits));
}

void MemoryTextPane::replaceSelection(std::string_view text) {
  const uint8_t look = looks_.empty() || sel_start_ >= looks_.size() ? 0 : looks_[sel_start_];
  text_.replace(sel_start_, sel_length_, text);
  if (!looks_.empty()) {
    // One move of the tail, like the text's.
    const auto at = looks_.begin() + static_cast<std::ptrdiff_t>(sel_start_);
    if (text.size() >= sel_length_) {
      looks_.insert(at + static_cast<std::ptrdiff_t>(sel_length_), text.size() - sel_length_, look);
    } else {
      looks_.erase(at + static_cast<std::ptrdiff_t>(text.size()), at + static_cast<std::ptrdiff_t>(sel_length_));
    }
    std::fill_n(looks_.begin() + static_cast<std::ptrdiff_t>(sel_start_), text.size(), look);
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
              lookOf(run.color, run.bold));
  }
}

std::vector<TextFormatRun> MemoryTextPane::formats() const {
  return formatsIn(0, looks_.size());
}

std::vector<TextFormatRun> MemoryTextPane::formatsIn(size_t start, size_t end) const {
  std::vector<TextFormatRun> runs;
  const uint8_t* looks = looks_.data();
  const size_t size = std::min(end, looks_.size());
  size_t i = start;
  while (i < size) {
    if (looks[i] == 0) {
      ++i;
      continue;
    }
    size_t j = i + 1;
    while (j < size && looks[j] == looks[i]) ++j;
    runs.push_back({i, j - i, palette_[looks[i] & kColourBits], (looks[i] & kBoldBit) != 0});
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
  return position < looks_.size() ? palette_[looks_[position] & kColourBits] : kBlack;
}

bool MemoryTextPane::boldAt(size_t position) const {
  return position < looks_.size() && (looks_[position] & kBoldBit) != 0;
}

void MemoryItemList::clear() {
  bytes_ = std::string();
  ends_ = std::vector<size_t>();
}

void MemoryItemList::add(std::string_view item) {
  bytes_.append(item);
  ends_.push_back(bytes_.size());
}

void MemoryItemList::addMany(const std::vector<std::string>& items) {
  for (const std::string& item : items) add(item);
}

void MemoryItemList::addViews(const std::vector<std::string_view>& items) {
  size_t bytes = bytes_.size();
  for (std::string_view item : items) bytes += item.size();
  bytes_.reserve(bytes);
  ends_.reserve(ends_.size() + items.size());
  for (std::string_view item : items) add(item);
}

void MemoryItemList::remove(size_t index) {
  if (index >= count()) return;
  const size_t begin = index == 0 ? 0 : ends_[index - 1];
  const size_t length = ends_[index] - begin;
  bytes_.erase(begin, length);
  ends_.erase(ends_.begin() + static_cast<std::ptrdiff_t>(index));
  for (size_t k = index; k < ends_.size(); ++k) ends_[k] -= length;
}

std::vector<std::string> MemoryItemList::items() const {
  std::vector<std::string> all;
  all.reserve(count());
  for (size_t i = 0; i < count(); ++i) all.emplace_back(view(i));
  return all;
}

}  // namespace kestrum
