#pragma once
#include <QChartView>
#include <QPoint>
#include <vector>

#include "frontend/Improvement.h"

class QCategoryAxis;
class QLineSeries;

namespace lumox {

// ChartImp: the improvement line (Series1) over the lap date and the best lap time. A left
// drag zooms into the dragged rectangle, a right drag moves the graph, and a double click
// shows all points again. The axes label their own ticks so dates show exactly as stored.
class TImprovementChart final : public QChartView {
 public:
  TImprovementChart();

  // Replaces the points and shows all of them; none leaves an empty chart without axes.
  void SetPoints(const std::vector<TImprovementPoint>& points);
  QLineSeries* Series() const { return Series1; }
  QCategoryAxis* DateAxis() const { return AxisDate; }
  QCategoryAxis* LapTimeAxis() const { return AxisLapTime; }

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  void ShowAll();

  QLineSeries* Series1;
  QCategoryAxis* AxisDate;
  QCategoryAxis* AxisLapTime;
  std::vector<TImprovementPoint> Points;
  std::optional<QPoint> DragFrom;  // where a right drag last was
};

}  // namespace lumox
