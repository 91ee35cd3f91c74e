#include "frontend/ImprovementChart.h"

#include <QCategoryAxis>
#include <QChart>
#include <QImage>
#include <QLineSeries>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace lumox {
namespace {

constexpr double kMSecsPerSec = 1000.0;
constexpr int kMaxTicks = 7;

// A red diamond, 3 by 3 pixels, as each point's mark.
QImage DiamondMark() {
  QImage mark(3, 3, QImage::Format_ARGB32);
  mark.fill(Qt::transparent);
  for (const QPoint p : {QPoint(1, 0), QPoint(0, 1), QPoint(1, 1), QPoint(2, 1), QPoint(1, 2)})
    mark.setPixelColor(p, Qt::red);
  return mark;
}

QCategoryAxis* TickAxis(const char* title, const std::vector<double>& steps, QString (*label)(double)) {
  auto* axis = new QCategoryAxis;
  axis->setTitleText(QString::fromLatin1(title));
  axis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
  // Labels follow the visible range, so zooming and moving keep the ticks readable.
  QObject::connect(axis, &QCategoryAxis::rangeChanged, axis, [axis, &steps, label](qreal min, qreal max) {
    for (const QString& old : axis->categoriesLabels()) axis->remove(old);
    axis->setStartValue(min);
    for (double tick : AxisTicks(min, max, steps, kMaxTicks)) axis->append(label(tick), tick);
  });
  return axis;
}

// The range of `values` with a margin, never empty.
std::pair<double, double> Padded(double low, double high, double least) {
  const double margin = std::max((high - low) * 0.05, least);
  return {low - margin, high + margin};
}

}  // namespace

// The chart is given at construction: the view owns it then, where a chart set later would
// release the one the view made for itself.
TImprovementChart::TImprovementChart()
    : QChartView(new QChart),
      Series1(new QLineSeries),
      AxisDate(TickAxis("date", DateAxisSteps(), DateAxisLabel)),
      AxisLapTime(TickAxis("lap time", LapTimeAxisSteps(), LapTimeAxisLabel)) {
  setObjectName(QStringLiteral("ChartImp"));
  Series1->setObjectName(QStringLiteral("Series1"));
  Series1->setColor(Qt::red);
  Series1->setPointsVisible(true);
  Series1->setMarkerSize(3);
  Series1->setLightMarker(DiamondMark());
  Series1->setPointLabelsVisible(false);

  QChart* chart = this->chart();
  chart->legend()->hide();
  chart->setBackgroundBrush(Qt::white);
  chart->setTitle(QStringLiteral("left-click and drag to zoom, right-click and drag to move graph"));
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(11);
  chart->setTitleFont(font);
  chart->setTitleBrush(Qt::gray);
  chart->addSeries(Series1);
  chart->addAxis(AxisDate, Qt::AlignBottom);
  chart->addAxis(AxisLapTime, Qt::AlignLeft);
  Series1->attachAxis(AxisDate);
  Series1->attachAxis(AxisLapTime);
  setBackgroundBrush(Qt::white);
  setRenderHint(QPainter::Antialiasing);
  setRubberBand(QChartView::RectangleRubberBand);
  SetPoints({});
}

void TImprovementChart::SetPoints(const std::vector<TImprovementPoint>& points) {
  Points = points;
  QList<QPointF> values;
  values.reserve(static_cast<qsizetype>(points.size()));
  for (const TImprovementPoint& p : points) values.append(QPointF(p.Date * kMSecsPerSec, p.LapTime));
  Series1->replace(values);
  ShowAll();
}

void TImprovementChart::ShowAll() {
  chart()->zoomReset();
  // Without points the axes would span an empty range at the first day of 1970.
  AxisDate->setVisible(!Points.empty());
  AxisLapTime->setVisible(!Points.empty());
  if (Points.empty()) return;
  const auto [firstDate, lastDate] = std::minmax_element(
      Points.begin(), Points.end(), [](const auto& a, const auto& b) { return a.Date < b.Date; });
  const auto [fastest, slowest] = std::minmax_element(
      Points.begin(), Points.end(), [](const auto& a, const auto& b) { return a.LapTime < b.LapTime; });
  const auto [dateLow, dateHigh] = Padded(firstDate->Date * kMSecsPerSec, lastDate->Date * kMSecsPerSec, 43'200'000.0);
  const auto [timeLow, timeHigh] = Padded(fastest->LapTime, slowest->LapTime, 500.0);
  AxisDate->setRange(dateLow, dateHigh);
  AxisLapTime->setRange(std::max(0.0, timeLow), timeHigh);
}

void TImprovementChart::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::RightButton) return QChartView::mousePressEvent(event);
  DragFrom = event->position().toPoint();
  event->accept();
}

void TImprovementChart::mouseMoveEvent(QMouseEvent* event) {
  if (!DragFrom) return QChartView::mouseMoveEvent(event);
  const QPoint at = event->position().toPoint();
  const QPoint delta = at - *DragFrom;
  chart()->scroll(-delta.x(), delta.y());
  DragFrom = at;
  event->accept();
}

void TImprovementChart::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::RightButton) return QChartView::mouseReleaseEvent(event);
  DragFrom.reset();
  event->accept();
}

void TImprovementChart::mouseDoubleClickEvent(QMouseEvent* event) {
  ShowAll();
  event->accept();
}

}  // namespace lumox
