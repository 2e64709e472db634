#include "dissect/listed_items.h"

#include <cstdio>

#include "core/app_log.h"
#include "core/text.h"
#include "dissect/text_pieces.h"

namespace kestrum {

namespace {

// The log line of one duplicate, in its pieces: "[ item ] was a match to [ candidate ]".
constexpr std::string_view kMatchOpen = "[ ", kMatchMiddle = " ] was a match to [ ", kMatchClose = " ]";

std::string DuplicateLogLine(std::string_view item, std::string_view candidate) {
  std::string line;
  line.append(kMatchOpen).append(item).append(kMatchMiddle).append(candidate).append(kMatchClose);
  return line;
}

}  // namespace

void AddDuplicateLine(LogBatch& log, std::string_view item, std::string_view candidate) {
  log.add({kMatchOpen, item, kMatchMiddle, candidate, kMatchClose});
}

bool IsAlreadyListed(Context& ctx, const ItemList& list, std::string& candidate) {
  candidate = RemoveDoubleBlanks(candidate);
  const std::string wanted = ToLowerAnsi(candidate);
  bool matched = false;
  for (size_t i = 0; i < list.count(); ++i) {
    const std::string item = RemoveDoubleBlanks(list.item(i));
    if (ToLowerAnsi(item) != wanted) continue;
    matched = true;
    WriteLog(ctx, DuplicateLogLine(item, candidate));
  }
  return matched;
}

bool ListedItems::addIfNew(std::string candidate) {
  RemoveEvery(candidate, "  ");
  // A scan often hands over the same text several times in a row: it matches the item the last
  // one matched or became, without a lookup.
  size_t match = !items_.empty() && candidate == last_candidate_ ? last_item_ : std::string::npos;
  uint64_t hash = 0;
  if (match == std::string::npos) {
    hash = CaselessIndex::Hash(candidate);
    match = index_.find(items_, candidate, hash);
  }
  last_candidate_ = candidate;
  if (match != std::string::npos) {
    last_item_ = match;
    AddDuplicateLine(log_, items_[match], candidate);
    return false;
  }
  items_.push_back(std::move(candidate));
  index_.add(items_.size() - 1, hash);
  last_item_ = items_.size() - 1;
  return true;
}

ListScan::ListScan(ItemList& list) : list_(list), started_(std::chrono::steady_clock::now()) {
  list_.clear();
  list_.setHeaderVisible(false);
}

void ListScan::finish(Context& ctx, const std::vector<std::string>& items, std::string_view found_label) {
  finish(ctx, std::vector<std::string_view>(items.begin(), items.end()), found_label);
}

void ListScan::finish(Context& ctx, const std::vector<std::string_view>& items, std::string_view found_label) {
  list_.addViews(items);
  WriteLog(ctx, std::string(found_label) + std::to_string(list_.count()));
  const auto elapsed = std::chrono::steady_clock::now() - started_;
  const float seconds =
      static_cast<float>(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count()) / 1000.0f;
  char figure[32];
  std::snprintf(figure, sizeof figure, "%.2f", static_cast<double>(seconds));
  WriteLog(ctx, "Scan completed in: " + std::string(figure) + "  seconds");
  list_.setVisible(true);
  list_.setHeaderVisible(true);
}

}  // namespace kestrum
