#pragma once
// A one-column report list (links, images) that the engine fills through the ItemList seam.
// Items are engine text shown as plain text; adding many repaints once.
#include <QAbstractListModel>
#include <QTreeView>
#include <functional>
#include <string>
#include <vector>

#include "core/seams.h"

namespace kestrum::ui {

class ReportListModel : public QAbstractListModel {
  Q_OBJECT

 public:
  ReportListModel(QString title, QObject* parent) : QAbstractListModel(parent), title_(std::move(title)) {}
  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  std::vector<std::string> items;  // in display order
  void resetWith(std::vector<std::string> new_items);
  void append(const std::vector<std::string>& more);
  void insertAt(size_t row, std::string item);
  void removeAt(size_t row);

 private:
  QString title_;
};

class ReportList : public QTreeView, public ItemList {
  Q_OBJECT

 public:
  ReportList(const QString& column_title, QWidget* parent = nullptr);

  void clear() override;
  void add(std::string_view item) override;
  void addMany(const std::vector<std::string>& items) override;
  size_t count() const override { return model_->items.size(); }
  std::string item(size_t index) const override;
  void remove(size_t index) override;
  std::vector<std::string> items() const override { return model_->items; }
  void setSorted(bool sorted) override;
  bool sorted() const override { return sorted_; }
  // The engine shows a list once it is filled; the window lets it show only while its view is the
  // one in front, so a scan run under another view never covers that view.
  void setVisible(bool visible) override;
  std::function<bool()> may_show;
  bool visible() const override { return !isHidden(); }
  void setHeaderVisible(bool shown) override;
  bool headerVisible() const override { return !isHeaderHidden(); }

  ReportListModel* listModel() const { return model_; }

 private:
  ReportListModel* model_;
  bool sorted_ = false;
};

// A tooltip that shows `text` as it is: Qt would otherwise read markup or entities in it.
QString PlainTooltip(const QString& text);

// Ascending, letter case ignored, as a sorted report list orders its items.
bool ListOrderLess(const std::string& a, const std::string& b);

}  // namespace kestrum::ui
