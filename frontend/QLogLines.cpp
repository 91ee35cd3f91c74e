#include "frontend/QLogLines.h"

#include <QBrush>
#include <QColor>
#include <QFontMetrics>

#include <algorithm>
#include <functional>
#include <ranges>
#include <tuple>
#include <utility>
#include <vector>

namespace lumox {

QString ShownQLogLine(QByteArrayView line) {
  if (line.size() <= kMaxShownLineLength) return QString::fromLatin1(line);
  return QString::fromLatin1(line.first(kMaxShownLineLength)) +
         QStringLiteral(" \u2026 [%1 more characters]").arg(line.size() - kMaxShownLineLength);
}

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
  return parent.isValid() ? 0 : Log.LineCount();
}

QVariant TQLogLines::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const TQLogLook look = LookOf(Log.KindOf(index.row()));
  switch (role) {
    case Qt::DisplayRole:
      return ShownQLogLine(Log.Line(index.row()));
    case Qt::ForegroundRole:
      return QBrush(QColor::fromRgb(look.Rgb));
    case Qt::FontRole: {
      if (!look.Bold) return {};
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

int WidestLine(const TQLog& log, const QFont& font) {
  // Measuring every line would take longer than showing the log.
  constexpr int kMeasured = 64;
  const auto shownLength = [&](int row) { return std::min(log.Line(row).size(), kMaxShownLineLength + 1); };
  std::vector<int> longest(std::size_t(std::min(kMeasured, log.LineCount())));
  std::ranges::partial_sort_copy(std::views::iota(0, log.LineCount()), longest, std::ranges::greater{}, shownLength,
                                 shownLength);
  QFont bold = font;
  bold.setBold(true);
  const QFontMetrics metrics(bold);
  int widest = -1, width = -1;
  for (const int row : longest) {
    const int advance = metrics.horizontalAdvance(ShownQLogLine(log.Line(row)));
    if (advance > width) std::tie(widest, width) = std::pair(row, advance);
  }
  return widest;
}

}  // namespace lumox
