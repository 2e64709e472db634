#pragma once
// The duplicate test of the links and images lists: a candidate that equals a listed item when
// both are lower-cased (and double blanks are removed) is not listed again, and every such match
// is written to the log.
#include <chrono>
#include <string>
#include <string_view>
#include <vector>

#include "core/context.h"
#include "core/seams.h"
#include "dissect/caseless_index.h"
#include "dissect/log_batch.h"

namespace kestrum {

// Removes double blanks from `candidate` (the caller sees the change) and answers whether an item
// of `list` matches it; each matching item writes "[ item ] was a match to [ candidate ]".
bool IsAlreadyListed(Context& ctx, const ItemList& list, std::string& candidate);

// The same test over items collected in memory, by a hash lookup instead of a walk of the list,
// so that a page with hundreds of thousands of links is listed in linear time. Items are handed
// to the real list in one batch afterwards.
class ListedItems {
 public:
  explicit ListedItems(Context& ctx) : log_(ctx) {}

  // Adds the candidate (double blanks removed) unless it is already listed; true when added.
  bool addIfNew(std::string candidate);
  // Writes the duplicate lines collected so far.
  void flushLog() { log_.flush(); }
  // The items in the order added; the duplicate lines are in the log by then.
  std::vector<std::string> take() {
    log_.flush();
    return std::move(items_);
  }

 private:
  LogBatch log_;
  std::vector<std::string> items_;
  // Items never hold a double blank and no two are equal once lower-cased, so at most one item
  // can match a candidate: one log line, as the list walk gives.
  CaselessIndex index_;
  std::string last_candidate_;
  size_t last_item_ = 0;
};

// The log line of one duplicate ("[ item ] was a match to [ candidate ]") added to a batch,
// without building it first.
void AddDuplicateLine(LogBatch& log, std::string_view item, std::string_view candidate);

// The frame every list scan shares: the list is emptied with its header row hidden before the
// scan; afterwards the found items go in as one batch, the count ("Links found: ", "Images
// found: ") and the elapsed time are logged, and the list is shown in report view.
class ListScan {
 public:
  explicit ListScan(ItemList& list);
  void finish(Context& ctx, const std::vector<std::string>& items, std::string_view found_label);
  void finish(Context& ctx, const std::vector<std::string_view>& items, std::string_view found_label);

 private:
  ItemList& list_;
  std::chrono::steady_clock::time_point started_;
};

}  // namespace kestrum
