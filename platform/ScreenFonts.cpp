#include "platform/ScreenFonts.h"

#include <QFontMetricsF>

namespace lumox {

bool ShowsFixedPitch(const QFont& font) {
  const QFontMetricsF metrics(font);
  return metrics.horizontalAdvance(QStringLiteral("iiii")) ==
         metrics.horizontalAdvance(QStringLiteral("MMMM"));
}

}  // namespace lumox
