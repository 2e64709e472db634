#include "core/ini_profile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "core/kept_files.h"
#include "core/text.h"

namespace kestrum {
namespace {

struct Line {
  size_t begin;  // first byte of the line
  size_t end;    // one past its last byte, terminator excluded
  size_t next;   // first byte of the following line
};

// Reads a text line by line. Lines end at CR LF, LF or a lone CR, like the profile functions
// accept them. The next CR and LF are found with memchr and remembered, so the whole text is
// scanned once whichever break it uses.
class LineReader {
 public:
  explicit LineReader(std::string_view text) : text_(text), cr_(find('\r', 0)), lf_(find('\n', 0)) {}
  bool done() const { return pos_ >= text_.size(); }
  Line next() {
    if (cr_ < pos_) cr_ = find('\r', pos_);
    if (lf_ < pos_) lf_ = find('\n', pos_);
    const size_t end = std::min(cr_, lf_);
    size_t after = end;
    if (after < text_.size() && text_[after] == '\r') ++after;
    if (after < text_.size() && text_[after] == '\n') ++after;  // CR LF, or a lone LF
    const Line line{pos_, end, after};
    pos_ = after;
    return line;
  }

 private:
  size_t find(char c, size_t from) const {
    const void* hit = std::memchr(text_.data() + from, c, text_.size() - from);
    return hit ? static_cast<size_t>(static_cast<const char*>(hit) - text_.data()) : text_.size();
  }

  std::string_view text_;
  size_t pos_ = 0;
  size_t cr_, lf_;  // next CR and LF at or after pos_ (text size when none)
};

std::vector<Line> SplitLines(std::string_view text) {
  std::vector<Line> lines;
  for (LineReader reader(text); !reader.done();) lines.push_back(reader.next());
  return lines;
}

std::string_view TrimIni(std::string_view s) {
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\0'; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

// "[name]" gives name; anything else is not a section header.
std::optional<std::string_view> SectionName(std::string_view line) {
  line = TrimIni(line);
  if (line.empty() || line.front() != '[') return std::nullopt;
  const size_t close = line.find(']');
  if (close == std::string_view::npos) return std::nullopt;
  return TrimIni(line.substr(1, close - 1));
}

struct KeyValue {
  std::string_view key;
  std::string_view value;
};

std::optional<KeyValue> ParseKeyLine(std::string_view line) {
  const size_t eq = line.find('=');
  if (eq == std::string_view::npos) return std::nullopt;
  const std::string_view key = TrimIni(line.substr(0, eq));
  if (key.empty() || key.front() == ';' || key.front() == '[') return std::nullopt;
  return KeyValue{key, TrimIni(line.substr(eq + 1))};
}

std::string Unquote(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
    value = value.substr(1, value.size() - 2);
  return std::string(value);
}

// Where a section's lines lie: header index and the index one past its last line.
struct SectionSpan {
  size_t header;
  size_t end;
};

std::optional<SectionSpan> FindSection(std::string_view text, const std::vector<Line>& lines,
                                       std::string_view section) {
  for (size_t i = 0; i < lines.size(); ++i) {
    auto name = SectionName(text.substr(lines[i].begin, lines[i].end - lines[i].begin));
    if (!name || !EqualsNoCase(*name, section)) continue;
    size_t j = i + 1;
    while (j < lines.size() && !SectionName(text.substr(lines[j].begin, lines[j].end - lines[j].begin))) ++j;
    return SectionSpan{i, j};
  }
  return std::nullopt;
}

std::optional<size_t> FindKey(std::string_view text, const std::vector<Line>& lines, SectionSpan span,
                              std::string_view key) {
  for (size_t i = span.header + 1; i < span.end; ++i) {
    auto kv = ParseKeyLine(text.substr(lines[i].begin, lines[i].end - lines[i].begin));
    if (kv && EqualsNoCase(kv->key, key)) return i;
  }
  return std::nullopt;
}

// The line break the file already uses, so added lines match it.
std::string_view LineBreakOf(std::string_view text) {
  const size_t lf = text.find('\n');
  if (lf != std::string_view::npos) return (lf > 0 && text[lf - 1] == '\r') ? "\r\n" : "\n";
  return text.find('\r') != std::string_view::npos ? "\r" : "\r\n";
}

bool HasLineBreakOrNul(std::string_view text) {
  return text.find_first_of(std::string_view("\r\n\0", 3)) != text.npos;
}

// A value as a later read would see it: a line break would start a new line in the file (and
// could forge keys), so the value ends where the first break or NUL stands.
std::string_view StorableValue(std::string_view value) {
  return value.substr(0, value.find_first_of(std::string_view("\r\n\0", 3)));
}

}  // namespace

bool IsStorableIniName(std::string_view section, std::string_view key) {
  section = TrimIni(section);
  key = TrimIni(key);
  return !key.empty() && !HasLineBreakOrNul(section) && !HasLineBreakOrNul(key) && section.find(']') == section.npos &&
         key.find('=') == key.npos && key.front() != ';' && key.front() != '[';
}

std::optional<std::string> IniLookup(std::string_view contents, std::string_view section, std::string_view key) {
  section = TrimIni(section);
  key = TrimIni(key);
  // One pass without building a line table: this runs for every setting read and log line.
  bool inside = false;
  for (LineReader reader(contents); !reader.done();) {
    const Line line = reader.next();
    const std::string_view text = contents.substr(line.begin, line.end - line.begin);
    if (const auto name = SectionName(text)) {
      if (inside) return std::nullopt;  // only the first section of that name counts
      inside = EqualsNoCase(*name, section);
    } else if (inside) {
      const auto kv = ParseKeyLine(text);
      if (kv && EqualsNoCase(kv->key, key)) return Unquote(kv->value);
    }
  }
  return std::nullopt;
}

std::string IniWithValue(std::string_view contents, std::string_view section, std::string_view key,
                         std::optional<std::string_view> value) {
  if (!IsStorableIniName(section, key)) return std::string(contents);
  section = TrimIni(section);
  key = TrimIni(key);
  if (value) value = StorableValue(*value);
  const auto lines = SplitLines(contents);
  const std::string_view br = LineBreakOf(contents);
  const auto span = FindSection(contents, lines, section);
  std::string out;
  out.reserve(contents.size() + key.size() + (value ? value->size() : 0) + section.size() + 8);

  if (!span) {
    if (!value) return std::string(contents);
    out.append(contents);
    if (!out.empty() && out.back() != '\n' && out.back() != '\r') out.append(br);
    out.append("[").append(section).append("]").append(br);
    out.append(key).append("=").append(*value).append(br);
    return out;
  }

  if (const auto index = FindKey(contents, lines, *span, key)) {
    const Line& line = lines[*index];
    out.append(contents.substr(0, line.begin));
    if (value) {
      // Keep the key as written and the line's own terminator.
      const std::string_view raw = contents.substr(line.begin, line.end - line.begin);
      const size_t eq = raw.find('=');
      out.append(TrimIni(raw.substr(0, eq))).append("=").append(*value);
      out.append(contents.substr(line.end, line.next - line.end));
    }
    out.append(contents.substr(line.next));
    return out;
  }

  if (!value) return std::string(contents);
  // New key: after the section's last non-blank line.
  size_t insert_after = span->header;
  for (size_t i = span->header + 1; i < span->end; ++i)
    if (!TrimIni(contents.substr(lines[i].begin, lines[i].end - lines[i].begin)).empty()) insert_after = i;
  const Line& anchor = lines[insert_after];
  out.append(contents.substr(0, anchor.next));
  if (anchor.next == anchor.end) out.append(br);  // the anchor was the last line, without a break
  out.append(key).append("=").append(*value).append(br);
  out.append(contents.substr(anchor.next));
  return out;
}

std::optional<std::string> ReadWholeFile(const std::string& path, size_t spare_capacity) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::string data;
  struct stat st {};
  size_t expected = 0;
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) expected = static_cast<size_t>(st.st_size);
  // Read straight into the string; a file that grows meanwhile is read on to its end.
  data.reserve(expected + spare_capacity + 1);
  size_t filled = 0;
  data.resize(expected);
  char more[16384];
  for (;;) {
    // Into the string while it has room; past the size it had, through a small buffer.
    const bool into_data = filled < data.size();
    const ssize_t got = into_data ? ::read(fd, data.data() + filled, data.size() - filled) : ::read(fd, more, sizeof more);
    if (got < 0) {
      if (errno == EINTR) continue;
      ::close(fd);
      return std::nullopt;
    }
    if (got == 0) break;
    if (!into_data) data.append(more, static_cast<size_t>(got));
    filled += static_cast<size_t>(got);
  }
  ::close(fd);
  data.resize(filled);
  return data;
}

bool WriteFileAtomically(const std::string& path, std::string_view contents, unsigned new_file_mode) {
  mode_t mode = static_cast<mode_t>(new_file_mode);
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) mode = st.st_mode & 07777;
  std::string temp = path + ".XXXXXX";
  const int fd = ::mkstemp(temp.data());
  if (fd < 0) return false;
  bool ok = ::fchmod(fd, mode) == 0;
  size_t written = 0;
  while (ok && written < contents.size()) {
    const ssize_t n = ::write(fd, contents.data() + written, contents.size() - written);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0)
      ok = false;
    else
      written += static_cast<size_t>(n);
  }
  ok = ok && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  if (ok) ok = ::rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) {
    const int error = errno;  // the caller names the cause (a full disk, say)
    ::unlink(temp.c_str());
    errno = error;
  }
  if (ok) NoteFilesChanged();
  return ok;
}

std::string ProfileStringFrom(const std::optional<std::string>& contents, std::string_view section,
                              std::string_view key, std::string_view default_value) {
  std::optional<std::string> found;
  if (contents) found = IniLookup(*contents, section, key);
  std::string value = found ? std::move(*found) : std::string(default_value);
  // The caller gets a C string's worth: nothing after a NUL byte, at most the buffer's length.
  value.resize(std::min({value.size(), value.find('\0'), kProfileValueLimit}));
  return value;
}

std::string ReadProfileString(const std::string& path, std::string_view section, std::string_view key,
                              std::string_view default_value) {
  return ProfileStringFrom(ReadFileAsItIsNow(path), section, key, default_value);
}

namespace {

// The file's contents; nothing for a file that does not exist. False when a file is there but
// cannot be read: writing then would replace everything it holds with the one key.
bool ReadForUpdate(const std::string& path, std::optional<std::string>& contents) {
  contents = ReadWholeFile(path);
  if (contents) return true;
  struct stat st {};
  return ::lstat(path.c_str(), &st) != 0 && errno == ENOENT;
}

}  // namespace

bool WriteProfileString(const std::string& path, std::string_view section, std::string_view key,
                        std::optional<std::string_view> value) {
  if (!IsStorableIniName(section, key)) return false;
  std::optional<std::string> contents;
  if (!ReadForUpdate(path, contents)) return false;
  if (!contents && !value) return true;  // nothing to delete
  const std::string updated = IniWithValue(contents.value_or(std::string()), section, key, value);
  if (contents && updated == *contents) return true;
  return WriteFileAtomically(path, updated, 0600);
}

bool WriteProfileStrings(const std::string& path, std::string_view section,
                         const std::vector<std::pair<std::string, std::string>>& values) {
  for (const auto& entry : values)
    if (!IsStorableIniName(section, entry.first)) return false;
  std::optional<std::string> contents;
  if (!ReadForUpdate(path, contents)) return false;
  std::string updated = contents.value_or(std::string());
  for (const auto& [key, value] : values) updated = IniWithValue(updated, section, key, value);
  if (contents && updated == *contents) return true;
  return WriteFileAtomically(path, updated, 0600);
}

}  // namespace kestrum
