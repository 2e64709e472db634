#pragma once
// The engine's view of the window and the desktop. Commands run the same against widgets, the
// memory views of the terminal front end, and the scripted desktop of the tests.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kestrum {

struct Rgb {
  uint8_t r = 0, g = 0, b = 0;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};
inline constexpr Rgb kBlack{0, 0, 0};
inline constexpr Rgb kWhite{255, 255, 255};
inline constexpr Rgb kRed{255, 0, 0};
inline constexpr Rgb kBlue{0, 0, 255};

// A stretch of pane text with one look. Positions count bytes of the pane text, CR LF as two.
struct TextFormatRun {
  size_t start = 0;
  size_t length = 0;
  Rgb color;
  bool bold = false;
  friend bool operator==(const TextFormatRun&, const TextFormatRun&) = default;
};

inline constexpr size_t kNotFound = static_cast<size_t>(-1);

// A rich-text pane: text is ANSI bytes with CR LF line breaks.
class TextPane {
 public:
  virtual ~TextPane() = default;
  virtual std::string text() const = 0;
  // The text without a copy, valid until the text next changes (formats leave it as it is), or
  // nothing when the pane keeps no such text; callers then copy it with text().
  virtual std::optional<std::string_view> textView() const { return std::nullopt; }
  // The text in place when the pane lends it, else a copy kept in `copy`.
  std::string_view textIn(std::string& copy) const {
    if (const auto view = textView()) return *view;
    return copy = text();
  }
  // Replaces text and formats; every character takes the default look.
  virtual void setText(std::string_view text) = 0;
  // The same, for a text the caller no longer needs: a pane that can keep it does, without a copy.
  virtual void takeText(std::string&& text) { setText(text); }
  virtual size_t length() const = 0;

  virtual void select(size_t start, size_t length) = 0;
  virtual size_t selectionStart() const = 0;
  virtual size_t selectionLength() const = 0;
  virtual std::string selectedText() const = 0;
  virtual void setSelectionColor(Rgb color) = 0;
  virtual void setSelectionBold(bool bold) = 0;
  // Replaces the selected text; the new text takes the look of the first replaced character.
  virtual void replaceSelection(std::string_view text) = 0;
  // Replaces each [start, start + length) of `ranges` (sorted, not overlapping, positions of the
  // text before the call) by `text`, each taking the look of its first replaced character. The
  // caret ends after the last replacement.
  virtual void replaceRanges(const std::vector<std::pair<size_t, size_t>>& ranges, std::string_view text) {
    for (auto range = ranges.rbegin(); range != ranges.rend(); ++range) {
      select(range->first, range->second);
      replaceSelection(text);
    }
    if (!ranges.empty()) {
      const size_t grown = (ranges.size() - 1) * text.size();
      size_t removed = 0;
      for (size_t i = 0; i + 1 < ranges.size(); ++i) removed += ranges[i].second;
      select(ranges.back().first + grown - removed + text.size(), 0);
    }
  }

  // Applies many runs at once; later runs win where they overlap.
  virtual void applyFormats(const std::vector<TextFormatRun>& runs) = 0;
  // Runs covering every character whose look differs from the default (black, not bold).
  virtual std::vector<TextFormatRun> formats() const = 0;
  // The runs of formats() that reach into [start, end), cut to it; panes that can find them
  // without walking the whole text do so.
  virtual std::vector<TextFormatRun> formatsIn(size_t start, size_t end) const {
    std::vector<TextFormatRun> runs;
    for (TextFormatRun run : formats()) {
      const size_t first = std::max(run.start, start), last = std::min(run.start + run.length, end);
      if (first >= last) continue;
      run.start = first;
      run.length = last - first;
      runs.push_back(run);
    }
    return runs;
  }

  // Position of `what` at or after `from`, or kNotFound. Does not move the selection.
  virtual size_t find(std::string_view what, size_t from, bool match_case) const = 0;

  virtual void setEnabled(bool enabled) = 0;
  virtual bool enabled() const = 0;
  virtual void setVisible(bool visible) = 0;
  virtual bool visible() const = 0;
};

// A one-column report list (links, images).
class ItemList {
 public:
  virtual ~ItemList() = default;
  virtual void clear() = 0;
  virtual void add(std::string_view item) = 0;
  // Adds many items in order; a widget list repaints once.
  virtual void addMany(const std::vector<std::string>& items) {
    for (const auto& item : items) add(item);
  }
  // The same, for items that stand elsewhere.
  virtual void addViews(const std::vector<std::string_view>& items) {
    addMany(std::vector<std::string>(items.begin(), items.end()));
  }
  virtual size_t count() const = 0;
  virtual std::string item(size_t index) const = 0;
  virtual void remove(size_t index) = 0;
  virtual std::vector<std::string> items() const {
    std::vector<std::string> all;
    all.reserve(count());
    for (size_t i = 0; i < count(); ++i) all.push_back(item(i));
    return all;
  }
  virtual void setSorted(bool sorted) = 0;
  virtual bool sorted() const = 0;
  virtual void setVisible(bool visible) = 0;
  virtual bool visible() const = 0;
  virtual void setHeaderVisible(bool shown) = 0;
  virtual bool headerVisible() const = 0;
};

// Buttons of the view row, in the order of the view modes they switch to.
enum class ViewButton { Source, Images, Links, Log, OwnerInfo, Tools, Headers };

// The main window as the engine sees it.
class MainView {
 public:
  virtual ~MainView() = default;
  virtual std::string addressText() const = 0;
  virtual void setAddressText(std::string_view text) = 0;
  virtual Rgb addressBackground() const = 0;
  virtual Rgb addressForeground() const = 0;
  virtual void setAddressColors(Rgb background, Rgb foreground) = 0;

  virtual TextPane& source() = 0;
  virtual TextPane& headers() = 0;
  virtual TextPane& netBlock() = 0;
  virtual TextPane& log() = 0;
  virtual TextPane& tools() = 0;
  virtual ItemList& links() = 0;
  virtual ItemList& images() = 0;

  virtual std::string caption() const = 0;
  virtual void setCaption(std::string_view caption) = 0;
  // Every control of the window that takes input (SetFormEnabled).
  virtual void setControlsEnabled(bool enabled) = 0;
  virtual bool controlsEnabled() const = 0;
  virtual void setViewButtonEnabled(ViewButton button, bool enabled) = 0;
  virtual bool viewButtonEnabled(ViewButton button) const = 0;
  // Brings the pane of a view mode (1 Source ... 7 Headers) to the front, as its view button does.
  virtual void showView(int mode) { (void)mode; }
};

enum class MessageIcon { None, Information, Exclamation, Question, Critical };
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MessageAnswer { Ok, Cancel, Yes, No };

const char* MessageIconName(MessageIcon icon);  // "information", "exclamation", ...

// Every contact with a person or the system.
class Desktop {
 public:
  virtual ~Desktop() = default;
  virtual MessageAnswer showMessage(std::string_view text, std::string_view caption, MessageIcon icon,
                                    MessageButtons buttons) = 0;
  // Paths chosen by the user, or nothing when cancelled. `filter` is "Text (*.txt)" style.
  virtual std::optional<std::string> chooseSaveFile(std::string_view caption, std::string_view filter,
                                                    std::string_view suggested_name) = 0;
  virtual std::optional<std::string> chooseOpenFile(std::string_view caption, std::string_view filter) = 0;
  // One pass of pending window events.
  virtual void processEvents() {}
  // Ends the program as closing the main window does (after a refusal that leaves it no way on).
  virtual void endProgram() {}
  // Hands an address, file or folder to the desktop's default handler.
  virtual bool openWithDefaultHandler(std::string_view target) = 0;
  // Starts a program with an argument list; never through a shell.
  virtual bool startProgram(std::string_view program, const std::vector<std::string>& arguments) = 0;
  virtual void setClipboardText(std::string_view text) = 0;
  virtual std::string clipboardText() const = 0;
};

}  // namespace kestrum
