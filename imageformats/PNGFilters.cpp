#include "imageformats/PNGFilters.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace lumox {
namespace {

enum TFilter : std::uint8_t { None, Sub, Up, Average, Paeth };

// Of left, above and upper-left, the one nearest to left + above - upper-left, ties going to
// left, then above. This branch-free form answers the same for all 2^24 inputs.
inline int PaethPredictor(int left, int above, int upperLeft) {
  const int threshold = upperLeft * 3 - (left + above);
  const int low = left < above ? left : above;
  const int high = left < above ? above : left;
  const int nearer = high <= threshold ? low : upperLeft;
  return threshold <= low ? high : nearer;
}

void AddAbove(std::uint8_t* row, const std::uint8_t* previous, std::size_t from, std::size_t length) {
  for (std::size_t i = from; i < length; ++i) row[i] = std::uint8_t(row[i] + previous[i]);
}

void UndoUp(std::uint8_t* row, const std::uint8_t* previous, std::size_t length) {
  std::size_t i = 0;
#if defined(__SSE2__)
  for (; i + 16 <= length; i += 16) {
    const __m128i sum = _mm_add_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i)),
                                     _mm_loadu_si128(reinterpret_cast<const __m128i*>(previous + i)));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(row + i), sum);
  }
#endif
  AddAbove(row, previous, i, length);
}

// Byte by byte, for any distance; inlined where the distance is a constant.
[[gnu::always_inline]] inline void UndoScalar(std::uint8_t filter, std::uint8_t* row,
                                              const std::uint8_t* previous, std::size_t length,
                                              std::size_t distance) {
  const std::size_t first = length < distance ? length : distance;
  switch (filter) {
    case Sub:
      for (std::size_t i = distance; i < length; ++i) row[i] = std::uint8_t(row[i] + row[i - distance]);
      break;
    case Average:
      for (std::size_t i = 0; i < first; ++i) row[i] = std::uint8_t(row[i] + (previous[i] >> 1));
      for (std::size_t i = distance; i < length; ++i)
        row[i] = std::uint8_t(row[i] + ((row[i - distance] + previous[i]) >> 1));
      break;
    case Paeth:
      for (std::size_t i = 0; i < first; ++i) row[i] = std::uint8_t(row[i] + previous[i]);
      for (std::size_t i = distance; i < length; ++i)
        row[i] =
            std::uint8_t(row[i] + PaethPredictor(row[i - distance], previous[i], previous[i - distance]));
      break;
  }
}

#if defined(__SSE2__)
// One pixel of D bytes in the low lanes; the load may take up to 8 bytes.
template <unsigned D>
__m128i LoadPixel(const std::uint8_t* p) {
  if constexpr (D <= 4) {
    std::int32_t v;
    std::memcpy(&v, p, 4);
    return _mm_cvtsi32_si128(v);
  } else {
    std::int64_t v;
    std::memcpy(&v, p, 8);
    return _mm_cvtsi64_si128(v);
  }
}

template <unsigned D>
void StorePixel(std::uint8_t* p, __m128i pixel) {
  const std::int64_t v = _mm_cvtsi128_si64(pixel);
  std::memcpy(p, &v, D);
}

inline __m128i Select(__m128i mask, __m128i ifSet, __m128i ifClear) {
  return _mm_or_si128(_mm_and_si128(mask, ifSet), _mm_andnot_si128(mask, ifClear));
}

// Each pixel depends on the one before, so these go one whole pixel at a time, its bytes side
// by side in the lanes. The first pixel's left and upper-left neighbours are zero.
template <unsigned D>
void UndoVector(std::uint8_t filter, std::uint8_t* row, const std::uint8_t* previous, std::size_t length) {
  const __m128i zero = _mm_setzero_si128();
  __m128i left = zero;
  switch (filter) {
    case Sub:
      for (std::size_t i = 0; i < length; i += D) {
        left = _mm_add_epi8(LoadPixel<D>(row + i), left);
        StorePixel<D>(row + i, left);
      }
      break;
    case Average: {
      // The rounded-down mean of two bytes is the complement of the rounded-up mean of their
      // complements, so with the left pixel kept complemented each pixel costs one mean and one
      // subtraction: ~left = avg(~left, ~above) - raw.
      const __m128i ones = _mm_set1_epi8(-1);
      __m128i notLeft = ones;
      for (std::size_t i = 0; i < length; i += D) {
        const __m128i notAbove = _mm_xor_si128(LoadPixel<D>(previous + i), ones);
        notLeft = _mm_sub_epi8(_mm_avg_epu8(notLeft, notAbove), LoadPixel<D>(row + i));
        StorePixel<D>(row + i, _mm_xor_si128(notLeft, ones));
      }
      break;
    }
    case Paeth: {
      const __m128i lowByte = _mm_set1_epi16(0xFF);
      __m128i upperLeft = zero;
      for (std::size_t i = 0; i < length; i += D) {
        const __m128i above = _mm_unpacklo_epi8(LoadPixel<D>(previous + i), zero);
        const __m128i threshold = _mm_sub_epi16(
            _mm_sub_epi16(_mm_add_epi16(upperLeft, _mm_add_epi16(upperLeft, upperLeft)), above), left);
        const __m128i low = _mm_min_epi16(left, above);
        const __m128i high = _mm_max_epi16(left, above);
        const __m128i nearer = Select(_mm_cmpgt_epi16(high, threshold), upperLeft, low);
        const __m128i predicted = Select(_mm_cmpgt_epi16(threshold, low), nearer, high);
        const __m128i raw = _mm_unpacklo_epi8(LoadPixel<D>(row + i), zero);
        left = _mm_and_si128(_mm_add_epi16(raw, predicted), lowByte);
        StorePixel<D>(row + i, _mm_packus_epi16(left, left));
        upperLeft = above;
      }
      break;
    }
  }
}
#endif

template <unsigned D>
void Undo(std::uint8_t filter, std::uint8_t* row, const std::uint8_t* previous, std::size_t length) {
#if defined(__SSE2__)
  if constexpr (D >= 3) {
    UndoVector<D>(filter, row, previous, length);
    return;
  }
#endif
  UndoScalar(filter, row, previous, length, D);
}

}  // namespace

void UndoPNGFilter(std::uint8_t filter, std::uint8_t* row, const std::uint8_t* previous, std::size_t length,
                   unsigned distance) {
  if (filter == None || filter > Paeth) return;
  if (filter == Up) return UndoUp(row, previous, length);
  switch (distance) {
    case 1:
      return Undo<1>(filter, row, previous, length);
    case 2:
      return Undo<2>(filter, row, previous, length);
    case 3:
      return Undo<3>(filter, row, previous, length);
    case 4:
      return Undo<4>(filter, row, previous, length);
    case 6:
      return Undo<6>(filter, row, previous, length);
    case 8:
      return Undo<8>(filter, row, previous, length);
    default:
      return UndoScalar(filter, row, previous, length, distance);
  }
}

void UndoPNGFilterPlain(std::uint8_t filter, std::uint8_t* row, const std::uint8_t* previous,
                        std::size_t length, unsigned distance) {
  if (filter == Up) return AddAbove(row, previous, 0, length);
  UndoScalar(filter, row, previous, length, distance);
}

}  // namespace lumox
