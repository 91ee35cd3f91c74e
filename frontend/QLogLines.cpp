#include "frontend/QLogLines.h"

#include <QBrush>
#include <QColor>
#include <QFontMetrics>

#include <algorithm>
#include <numeric>
#include <tuple>
#include <utility>
#include <vector>

namespace lumox {

TQLogLines::TQLogLines(const TQLog& log, QObject* parent) : QAbstractListModel(parent), Log(log) {}

void TQLogLines::SetRowSize(QSize size) {
  emit layoutAboutToBeChanged();
  RowSize = size;
  emit layoutChanged();
}

void TQLogLines::Reload() {
  beginResetModel();
  endResetModel();
}

int TQLogLines::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : int(Log.Lines().size());
}

QVariant TQLogLines::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const QString& line = Log.Lines()[index.row()];
  switch (role) {
    case Qt::DisplayRole:
      return line;
    case Qt::ForegroundRole:
      return QBrush(QColor::fromRgb(LookOf(ClassifyQLogLine(line)).Rgb));
    case Qt::FontRole: {
      if (!LookOf(ClassifyQLogLine(line)).Bold) return {};
      QFont bold;
      bold.setBold(true);
      return bold;
    }
    case Qt::SizeHintRole:
      return RowSize.isValid() ? QVariant(RowSize) : QVariant();
    default:
      return {};
  }
}

int WidestLine(const QStringList& lines, const QFont& font) {
  // Measuring every line would take longer than showing the log.
  constexpr qsizetype kMeasured = 64;
  std::vector<int> rows(std::size_t(lines.size()));
  std::iota(rows.begin(), rows.end(), 0);
  const auto longer = [&](int a, int b) { return lines[a].size() > lines[b].size(); };
  const auto measured = rows.begin() + std::min(kMeasured, lines.size());
  std::nth_element(rows.begin(), measured, rows.end(), longer);
  QFont bold = font;
  bold.setBold(true);
  const QFontMetrics metrics(bold);
  int widest = -1, width = -1;
  for (auto row = rows.begin(); row != measured; ++row) {
    const int advance = metrics.horizontalAdvance(lines[*row]);
    if (advance > width) std::tie(widest, width) = std::pair(*row, advance);
  }
  return widest;
}

}  // namespace lumox
