#pragma once
// The image scan written the slow, obvious way: every position, every window read afresh, the
// rules applied in plain string operations. The scan in src/dissect is compared with it.
#include <string>
#include <vector>

#include "core/text.h"

namespace kestrum::testing::literal {

inline std::string Lower(std::string text) {
  for (char& c : text) c = AnsiLower(c);
  return text;
}

inline bool Has(const std::string& text, const std::string& what) {
  return text.find(what) != std::string::npos;
}

inline bool HasNoCase(const std::string& text, const std::string& what) {
  return Has(Lower(text), Lower(what));
}

// Piece k of the text split at every delimiter; the text as it is when there is no piece k.
inline std::string Piece(const std::string& text, const std::string& delimiter, size_t k) {
  std::vector<std::string> pieces;
  size_t start = 0;
  for (size_t hit; (hit = text.find(delimiter, start)) != std::string::npos; start = hit + delimiter.size())
    pieces.push_back(text.substr(start, hit - start));
  pieces.push_back(text.substr(start));
  return k < pieces.size() ? pieces[k] : text;
}

// Every occurrence removed, left to right without overlap: three blanks less a pair leave one.
inline std::string RemoveEvery(const std::string& text, const std::string& what) {
  std::string out;
  for (size_t i = 0; i < text.size();) {
    if (text.compare(i, what.size(), what) == 0) {
      i += what.size();
    } else {
      out += text[i++];
    }
  }
  return out;
}

inline void Finish(std::string r, size_t minimum, const std::string& host, std::vector<std::string>& found) {
  if (Has(r, ")")) r = Piece(r, ")", 0);
  if (r.starts_with("/")) r = (host + r).substr(0, 150);
  size_t first = 0, last = r.size();
  while (first < last && r[first] == ' ') ++first;
  while (last > first && r[last - 1] == ' ') --last;
  if (last - first >= minimum && Has(r, ".")) found.push_back(r);
}

inline void ImageTag(const std::string& page, size_t p, const std::string& host, std::vector<std::string>& found) {
  std::string r = page.substr(p, 150);
  if (Has(Lower(r), "script src")) return;
  r = RemoveEvery(r, "  ");
  if (HasNoCase(r, "src=\"")) {
    if (Has(Lower(r), " src=\"")) r = Piece(Lower(r), " src=\"", 1);
    r = Piece(r, "\"", 0);
    if (Has(r, "\"")) r = Piece(Piece(r, "\"", 1), "\"", 0);
  } else if (HasNoCase(r, "src='")) {
    r = Piece(Piece(Lower(r), "src='", 1), " ", 0);
  } else if (HasNoCase(r, "src=")) {
    r = Piece(Piece(Lower(r), "src=", 1), " ", 0);
  } else if (HasNoCase(r, "url(")) {
    r = Piece(Piece(r, "url(", 1), ")", 0);
  }
  Finish(r, 3, host, found);
}

inline void Background(const std::string& page, size_t p, const std::string& host, std::vector<std::string>& found) {
  std::string r = RemoveEvery(page.substr(p, 150), "  ");
  if (HasNoCase(r, " background=")) r = Piece(Piece(r, " background=\"", 1), "\"", 0);
  if (HasNoCase(r, " background=")) r = Piece(r, " background=", 1);
  if (Has(r, "\"")) r = Piece(Piece(r, "\"", 1), "\"", 0);
  if (Has(r, ">")) r = Piece(r, ">", 0);
  r = RemoveEvery(RemoveEvery(r, "  "), "\n");
  if (r.starts_with("'")) r.erase(0, 1);
  if (Has(r, "' ")) r = Piece(r, "' ", 0);
  if (Has(r, "\" ")) r = Piece(r, "\" ", 0);
  Finish(r, 1, host, found);
}

// Every reference that passes the finish rules, in scan order, duplicates included.
inline std::vector<std::string> ImageScan(const std::string& page, const std::string& host) {
  std::vector<std::string> found;
  if (page.empty()) return found;
  for (size_t p = 0;; ++p) {
    const std::string eight = Lower(page.substr(p, 8));
    if (eight == "img src=" || Has(eight, "url(") || Has(eight, " src=")) ImageTag(page, p, host, found);
    if (Lower(page.substr(p, 12)) == " background=") Background(page, p, host, found);
    // The 12-character read ends the scan; a reference window near the end holds what is left.
    if (p + 12 > page.size()) break;
  }
  return found;
}

}  // namespace kestrum::testing::literal
