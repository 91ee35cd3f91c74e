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

void TQLogLines::Reload() {
  beginResetModel();
  endResetModel();
}

int TQLogLines::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : Log.LineCount();
}

QVariant TQLogLines::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) return {};
  const TQLogLine line = Log.Line(index.row());
  const TQLogLook look = LookOf(line.Kind);
  switch (role) {
    case Qt::DisplayRole:
      return ShownQLogLine(line.Text);
    case Qt::ForegroundRole:
      return QBrush(QColor::fromRgb(look.Rgb));
    case Qt::FontRole: {
      if (!look.Bold) return {};
      QFont bold;
      bold.setBold(true);
      return bold;
    }
    default:
      return {};
  }
}

int WidestLine(const TQLog& log, const QFont& font) {
  // Measuring every line would take longer than showing the log.
  constexpr std::size_t kMeasured = 64;
  // The longest lines so far by the characters shown, and their rows; the shortest on top.
  using TLength = std::pair<qsizetype, int>;
  std::vector<TLength> longest;
  log.ForEachLine([&](int row, QByteArrayView line) {
    const TLength length(std::min(line.size(), kMaxShownLineLength + 1), row);
    if (longest.size() == kMeasured) {
      if (length.first <= longest.front().first) return;
      std::ranges::pop_heap(longest, std::greater{});
      longest.pop_back();
    }
    longest.push_back(length);
    std::ranges::push_heap(longest, std::greater{});
  });
  QFont bold = font;
  bold.setBold(true);
  const QFontMetrics metrics(bold);
  int widest = -1, width = -1;
  for (const int row : longest | std::views::values) {
    const int advance = metrics.horizontalAdvance(ShownQLogLine(log.Line(row).Text));
    if (advance > width) std::tie(widest, width) = std::pair(row, advance);
  }
  return widest;
}

}  // namespace lumox
