#include "ui/report_list.h"

#include <QHeaderView>
#include <algorithm>

#include "core/text.h"
#include "ui/qt_text.h"

namespace kestrum::ui {

bool ListOrderLess(const std::string& a, const std::string& b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [](char x, char y) {
                                        return static_cast<unsigned char>(AsciiLower(x)) <
                                               static_cast<unsigned char>(AsciiLower(y));
                                      });
}

QString PlainTooltip(const QString& text) {
  // Qt guesses whether a tooltip is rich text; escaped text inside an explicit rich-text block
  // shows exactly the characters of the item, "&lt;" and "<img ...>" included.
  return QStringLiteral("<p style='white-space:pre'>") + text.toHtmlEscaped() + QStringLiteral("</p>");
}

int ReportListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(items.size());
}

QVariant ReportListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || static_cast<size_t>(index.row()) >= items.size()) return {};
  if (role == Qt::DisplayRole) return QStringFromAnsi(items[static_cast<size_t>(index.row())]);
  if (role == Qt::ToolTipRole) return PlainTooltip(QStringFromAnsi(items[static_cast<size_t>(index.row())]));
  return {};
}

QVariant ReportListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (section == 0 && orientation == Qt::Horizontal && role == Qt::DisplayRole) return title_;
  return {};
}

void ReportListModel::resetWith(std::vector<std::string> new_items) {
  beginResetModel();
  items = std::move(new_items);
  endResetModel();
}

void ReportListModel::append(const std::vector<std::string>& more) {
  if (more.empty()) return;
  const int first = static_cast<int>(items.size());
  beginInsertRows({}, first, first + static_cast<int>(more.size()) - 1);
  items.insert(items.end(), more.begin(), more.end());
  endInsertRows();
}

void ReportListModel::insertAt(size_t row, std::string item) {
  beginInsertRows({}, static_cast<int>(row), static_cast<int>(row));
  items.insert(items.begin() + static_cast<std::ptrdiff_t>(row), std::move(item));
  endInsertRows();
}

void ReportListModel::removeAt(size_t row) {
  beginRemoveRows({}, static_cast<int>(row), static_cast<int>(row));
  items.erase(items.begin() + static_cast<std::ptrdiff_t>(row));
  endRemoveRows();
}

ReportList::ReportList(const QString& column_title, QWidget* parent)
    : QTreeView(parent), model_(new ReportListModel(column_title, this)) {
  setModel(model_);
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setUniformRowHeights(true);
  setTextElideMode(Qt::ElideRight);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  header()->setStretchLastSection(true);  // the one column is as wide as the list
  header()->setSectionsClickable(false);
}

void ReportList::clear() { model_->resetWith({}); }

void ReportList::add(std::string_view item) {
  std::string value(item);
  if (sorted_) {
    const auto at = std::upper_bound(model_->items.begin(), model_->items.end(), value, ListOrderLess);
    model_->insertAt(static_cast<size_t>(at - model_->items.begin()), std::move(value));
  } else {
    model_->insertAt(model_->items.size(), std::move(value));
  }
}

void ReportList::addMany(const std::vector<std::string>& more) {
  if (!sorted_) {
    model_->append(more);
    return;
  }
  std::vector<std::string> all = model_->items;
  all.insert(all.end(), more.begin(), more.end());
  std::stable_sort(all.begin(), all.end(), ListOrderLess);
  model_->resetWith(std::move(all));
}

std::string ReportList::item(size_t index) const {
  return index < model_->items.size() ? model_->items[index] : std::string();
}

void ReportList::remove(size_t index) {
  if (index < model_->items.size()) model_->removeAt(index);
}

void ReportList::setSorted(bool sorted) {
  sorted_ = sorted;
  if (sorted_ && !std::is_sorted(model_->items.begin(), model_->items.end(), ListOrderLess)) {
    std::vector<std::string> all = model_->items;
    std::stable_sort(all.begin(), all.end(), ListOrderLess);
    model_->resetWith(std::move(all));
  }
}

void ReportList::setVisible(bool visible) {
  if (visible && may_show && !may_show()) return;
  QTreeView::setVisible(visible);
}

void ReportList::setHeaderVisible(bool shown) { setHeaderHidden(!shown); }

}  // namespace kestrum::ui
