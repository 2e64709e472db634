#include "core/ini_profile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <vector>

#include "core/text.h"

namespace kestrum {
namespace {

struct Line {
  size_t begin;     // first byte of the line
  size_t end;       // one past its last byte, terminator excluded
  size_t next;      // first byte of the following line
};

// Lines end at CR LF, LF or a lone CR, like the profile functions accept them.
std::vector<Line> SplitLines(std::string_view text) {
  std::vector<Line> lines;
  size_t pos = 0;
  const size_t n = text.size();
  while (pos < n) {
    size_t end = pos;
    while (end < n && text[end] != '\r' && text[end] != '\n') ++end;
    size_t next = end;
    if (next < n && text[next] == '\r') ++next;
    if (next < n && text[next] == '\n' && (next == end || text[next - 1] == '\r')) ++next;
    if (next == end && end < n) ++next;  // lone LF
    lines.push_back({pos, end, next});
    pos = next;
  }
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

}  // namespace

std::optional<std::string> IniLookup(std::string_view contents, std::string_view section, std::string_view key) {
  const auto lines = SplitLines(contents);
  const auto span = FindSection(contents, lines, section);
  if (!span) return std::nullopt;
  const auto index = FindKey(contents, lines, *span, key);
  if (!index) return std::nullopt;
  const Line& line = lines[*index];
  return Unquote(ParseKeyLine(contents.substr(line.begin, line.end - line.begin))->value);
}

std::string IniWithValue(std::string_view contents, std::string_view section, std::string_view key,
                         std::optional<std::string_view> value) {
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

std::optional<std::string> ReadWholeFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return std::nullopt;
  std::string data;
  struct stat st {};
  if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0) data.reserve(static_cast<size_t>(st.st_size));
  char buffer[16384];
  for (;;) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0) {
      if (errno == EINTR) continue;
      ::close(fd);
      return std::nullopt;
    }
    if (got == 0) break;
    data.append(buffer, static_cast<size_t>(got));
  }
  ::close(fd);
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
    if (n <= 0) ok = false;
    else written += static_cast<size_t>(n);
  }
  ok = ok && ::fsync(fd) == 0;
  ok = (::close(fd) == 0) && ok;
  if (ok) ok = ::rename(temp.c_str(), path.c_str()) == 0;
  if (!ok) ::unlink(temp.c_str());
  return ok;
}

std::string ReadProfileString(const std::string& path, std::string_view section, std::string_view key,
                              std::string_view default_value) {
  std::string value;
  const auto contents = ReadWholeFile(path);
  if (contents) {
    if (auto found = IniLookup(*contents, section, key)) value = std::move(*found);
    else value = std::string(default_value);
  } else {
    value = std::string(default_value);
  }
  if (value.size() > kProfileValueLimit) value.resize(kProfileValueLimit);
  return value;
}

bool WriteProfileString(const std::string& path, std::string_view section, std::string_view key,
                        std::optional<std::string_view> value) {
  const auto contents = ReadWholeFile(path);
  if (!contents && !value) return true;  // nothing to delete
  const std::string updated = IniWithValue(contents.value_or(std::string()), section, key, value);
  if (contents && updated == *contents) return true;
  return WriteFileAtomically(path, updated, 0600);
}

bool WriteProfileStrings(const std::string& path, std::string_view section,
                         const std::vector<std::pair<std::string, std::string>>& values) {
  const auto contents = ReadWholeFile(path);
  std::string updated = contents.value_or(std::string());
  for (const auto& [key, value] : values) updated = IniWithValue(updated, section, key, value);
  if (contents && updated == *contents) return true;
  return WriteFileAtomically(path, updated, 0600);
}

}  // namespace kestrum
