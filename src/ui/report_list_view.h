#pragma once

#include <QTableWidget>
#include <string>
#include <vector>

namespace ui {

// A list in report style: rows of texts under column captions, grid lines,
// whole-row selection of one row at a time, read-only. Each row keeps the
// exact bytes it was given; the widget shows them decoded.
class ReportListView : public QTableWidget {
 public:
  explicit ReportListView(QWidget* parent = nullptr);

  void SetColumns(const std::vector<std::string>& captions, const std::vector<int>& widths = {});
  void AddRow(const std::vector<std::string>& texts);
  void Clear();

  int RowCount() const { return static_cast<int>(rows_.size()); }
  const std::string& Text(int row, int column) const { return rows_.at(row).at(column); }
  // The selected row, or -1.
  int SelectedRow() const;

 private:
  std::vector<std::vector<std::string>> rows_;
};

}  // namespace ui
