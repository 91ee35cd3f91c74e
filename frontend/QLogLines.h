#pragma once
// The log's lines as a list model. A line's text, colour and weight are made only when a view
// draws it, so a log of millions of lines shows at once and scrolls freely.
#include "frontend/QLogModel.h"

#include <QAbstractListModel>
#include <QFont>

namespace lumox {

// Wider than any screen in any font: a longer line is shown cut, with a mark saying so.
inline constexpr qsizetype kMaxShownLineLength = 4096;

// The text the box shows for `line`: its bytes as Latin-1, cut after kMaxShownLineLength
// characters with a mark that tells how many more the line holds.
QString ShownQLogLine(QByteArrayView line);

class TQLogLines final : public QAbstractListModel {
 public:
  // Shows `log`, which must outlive the model.
  explicit TQLogLines(const TQLog& log, QObject* parent = nullptr);

  // Tells the views that the log's lines changed.
  void Reload();

  int rowCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;

 private:
  const TQLog& Log;
};

// The row of the widest line of `log` as shown in `font` (made bold, the wider weight), judged
// among the lines with the most characters; -1 when there are none.
int WidestLine(const TQLog& log, const QFont& font);

}  // namespace lumox
