#include "imageformats/ColorManager.h"

namespace lumox {

void TColorManager::RowFromRGBToRGB(const TRow&) const {}
void TColorManager::RowFromRGBToBGR(const TRow&) const {}
void TColorManager::RowFromBGRToRGB(const TRow&) const {}
void TColorManager::RowFromBGRToBGR(const TRow&) const {}
void TColorManager::RowFromCMYKToRGB(const TRow&) const {}
void TColorManager::RowFromCMYKToBGR(const TRow&) const {}
void TColorManager::RowFromLabToRGB(const TRow&) const {}
void TColorManager::RowFromLabToBGR(const TRow&) const {}
void TColorManager::RowFromYCbCrToRGB(const TRow&) const {}
void TColorManager::RowFromYCbCrToBGR(const TRow&) const {}
void TColorManager::RowFromGray(const TRow&) const {}
void TColorManager::RowFromPacked(const TRow&) const {}
void TColorManager::RowFromIndexed16To16(const TRow&) const {}
void TColorManager::RowFromIndexed16ToPacked(const TRow&) const {}
void TColorManager::RowFromPackedTo16(const TRow&) const {}

}  // namespace lumox
