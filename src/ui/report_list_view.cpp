#include "ui/report_list_view.h"

#include <QHeaderView>
#include <QStyleOptionHeader>

#include "ui/ui.h"

namespace ui {

namespace {

// The list's captions are never highlighted, so never drawn bold: they are
// measured in the font they are drawn in. (The toolkit measures every
// caption bold, which loads a second font before the first paint.)
class Header : public QHeaderView {
 public:
  explicit Header(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
    setSectionsClickable(true);
  }

 protected:
  QSize sectionSizeFromContents(int logical_index) const override {
    QStyleOptionHeader option;
    initStyleOption(&option);
    option.section = logical_index;
    option.text = model()->headerData(logical_index, orientation()).toString();
    option.fontMetrics = fontMetrics();
    return style()->sizeFromContents(QStyle::CT_HeaderSection, &option, QSize(), this);
  }
};

}  // namespace

ReportListView::ReportListView(QWidget* parent) : QTableWidget(parent) {
  setHorizontalHeader(new Header(this));
  setShowGrid(true);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setWordWrap(false);
  // One stop in the tab order; the arrow keys move inside the list.
  setTabKeyNavigation(false);
  verticalHeader()->hide();
  verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
  horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  horizontalHeader()->setHighlightSections(false);
  horizontalHeader()->setStretchLastSection(true);
}

void ReportListView::SetColumns(const std::vector<std::string>& captions,
                                const std::vector<int>& widths) {
  setColumnCount(static_cast<int>(captions.size()));
  QStringList labels;
  for (const auto& caption : captions) labels << Q(caption);
  setHorizontalHeaderLabels(labels);
  for (std::size_t i = 0; i < widths.size() && i < captions.size(); ++i) {
    if (widths[i] == 0)
      setColumnHidden(static_cast<int>(i), true);
    else
      setColumnWidth(static_cast<int>(i), widths[i]);
  }
}

void ReportListView::AddRow(const std::vector<std::string>& texts) {
  const int row = rowCount();
  insertRow(row);
  for (int c = 0; c < columnCount() && c < static_cast<int>(texts.size()); ++c) {
    // A text cut by its column is read whole in its tooltip.
    auto* item = new QTableWidgetItem(Q(texts[static_cast<std::size_t>(c)]));
    item->setToolTip(ToolTipFromPlainText(item->text()));
    setItem(row, c, item);
  }
  rows_.push_back(texts);
  rows_.back().resize(static_cast<std::size_t>(std::max(columnCount(), 0)));
}

void ReportListView::Clear() {
  setRowCount(0);
  rows_.clear();
}

int ReportListView::SelectedRow() const {
  const auto selected = selectionModel()->selectedRows();
  return selected.isEmpty() ? -1 : selected.first().row();
}

}  // namespace ui
