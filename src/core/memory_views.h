#pragma once
// In-memory views: the terminal front end and the tests run every command on these.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/seams.h"

namespace kestrum {

class MemoryTextPane : public TextPane {
 public:
  std::string text() const override { return text_; }
  std::optional<std::string_view> textView() const override { return text_; }
  void setText(std::string_view text) override;
  void takeText(std::string&& text) override;
  size_t length() const override { return text_.size(); }

  void select(size_t start, size_t length) override;
  size_t selectionStart() const override { return sel_start_; }
  size_t selectionLength() const override { return sel_length_; }
  std::string selectedText() const override { return text_.substr(sel_start_, sel_length_); }
  void setSelectionColor(Rgb color) override;
  void setSelectionBold(bool bold) override;
  void replaceSelection(std::string_view text) override;

  void applyFormats(const std::vector<TextFormatRun>& runs) override;
  std::vector<TextFormatRun> formats() const override;
  std::vector<TextFormatRun> formatsIn(size_t start, size_t end) const override;

  size_t find(std::string_view what, size_t from, bool match_case) const override;

  void setEnabled(bool enabled) override { enabled_ = enabled; }
  bool enabled() const override { return enabled_; }
  void setVisible(bool visible) override { visible_ = visible; }
  bool visible() const override { return visible_; }

  // The look of one character, for tests.
  Rgb colorAt(size_t position) const;
  bool boldAt(size_t position) const;

 private:
  // Look of a character as one byte: bit 7 bold, bits 0-6 an entry of palette_ (0 = black), so
  // a 10 MB page's looks take 10 MB. A pane holds up to 128 colours (the program uses three);
  // a further colour takes the nearest one held.
  uint8_t lookOf(Rgb color, bool bold);
  void ensureLooks();

  std::string text_;
  std::vector<uint8_t> looks_;  // empty while every character has the default look
  std::vector<Rgb> palette_{kBlack};
  size_t sel_start_ = 0, sel_length_ = 0;
  bool enabled_ = true, visible_ = true;
};

// Items end to end in one buffer: a list of a page's links can hold hundreds of thousands.
class MemoryItemList : public ItemList {
 public:
  void clear() override;
  void add(std::string_view item) override;
  void addMany(const std::vector<std::string>& items) override;
  void addViews(const std::vector<std::string_view>& items) override;
  size_t count() const override { return ends_.size(); }
  std::string item(size_t index) const override { return index < count() ? std::string(view(index)) : std::string(); }
  std::string_view view(size_t index) const {
    const size_t begin = index == 0 ? 0 : ends_[index - 1];
    return std::string_view(bytes_).substr(begin, ends_[index] - begin);
  }
  void remove(size_t index) override;
  std::vector<std::string> items() const override;
  void setSorted(bool sorted) override { sorted_ = sorted; }
  bool sorted() const override { return sorted_; }
  void setVisible(bool visible) override { visible_ = visible; }
  bool visible() const override { return visible_; }
  void setHeaderVisible(bool shown) override { header_ = shown; }
  bool headerVisible() const override { return header_; }

 private:
  std::string bytes_;
  std::vector<size_t> ends_;
  bool sorted_ = false, visible_ = true, header_ = true;
};

class MemoryMainView : public MainView {
 public:
  std::string addressText() const override { return address_; }
  void setAddressText(std::string_view text) override { address_ = std::string(text); }
  Rgb addressBackground() const override { return address_bg_; }
  Rgb addressForeground() const override { return address_fg_; }
  void setAddressColors(Rgb background, Rgb foreground) override {
    address_bg_ = background;
    address_fg_ = foreground;
  }

  TextPane& source() override { return source_; }
  TextPane& headers() override { return headers_; }
  TextPane& netBlock() override { return net_block_; }
  TextPane& log() override { return log_; }
  TextPane& tools() override { return tools_; }
  ItemList& links() override { return links_; }
  ItemList& images() override { return images_; }

  std::string caption() const override { return caption_; }
  void setCaption(std::string_view caption) override { caption_ = std::string(caption); }
  void setControlsEnabled(bool enabled) override { controls_enabled_ = enabled; }
  bool controlsEnabled() const override { return controls_enabled_; }
  void setViewButtonEnabled(ViewButton button, bool enabled) override {
    buttons_[static_cast<size_t>(button)] = enabled;
  }
  bool viewButtonEnabled(ViewButton button) const override { return buttons_[static_cast<size_t>(button)]; }

  void showView(int mode) override { shown_view_ = mode; }
  int shownView() const { return shown_view_; }

  MemoryTextPane& sourcePane() { return source_; }
  const MemoryItemList& linkList() const { return links_; }
  const MemoryItemList& imageList() const { return images_; }

 private:
  std::string address_;
  Rgb address_bg_ = kWhite, address_fg_ = kBlack;
  MemoryTextPane source_, headers_, net_block_, log_, tools_;
  MemoryItemList links_, images_;
  std::string caption_;
  bool controls_enabled_ = true;
  int shown_view_ = 1;
  std::array<bool, 7> buttons_{true, true, true, true, true, true, true};
};

}  // namespace kestrum
