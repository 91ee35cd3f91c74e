// Both blend sets against per-channel models of their definitions: every (foreground,
// background, weight) value of one channel, several channels per call, then random pixels.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <vector>

#include "bitmap/Blend.h"
#include "bitmap/ProcessorProbe.h"

namespace lumox {
namespace {

unsigned PlainMix(unsigned f, unsigned b, unsigned w) { return (f * w + 128) / 256 + (b * (255 - w) + 128) / 256; }
unsigned PackedMix(unsigned f, unsigned b, unsigned w) { return (f * w + b * (256 - w) + 128) / 256; }

template <class Op>
TColor32 PerChannel(TColor32 a, TColor32 b, Op op) {
  TColor32 result = 0;
  for (int s = 0; s < 32; s += 8) result |= TColor32(op(a >> s & 0xFF, b >> s & 0xFF)) << s;
  return result;
}

using TRowCall = std::function<void(const TBlendSet&, const TColor32* F, TColor32* B, int n, unsigned param)>;

// One weighted routine, driven row-wise: its weight is the parameter, F's alpha, or F's alpha
// scaled by the parameter as master alpha; some copy F outright at weight 255.
struct TWeighted {
  const char* Name;
  TRowCall Call;
  enum { Given, Alpha, Scaled } Weight;
  bool PlainCopies, PackedCopies;
};

template <class R>
TRowCall EachPixel(R routine) {
  return [routine](const TBlendSet& set, const TColor32* F, TColor32* B, int n, unsigned p) {
    for (int i = 0; i < n; ++i) routine(set, F[i], B[i], p);
  };
}

const TWeighted Weighted[] = {
    {"MixColors", EachPixel([](auto& s, TColor32 f, TColor32& b, unsigned w) { b = s.MixColors(f, b, w); }),
     TWeighted::Given, true, false},
    {"MixColorInto", EachPixel([](auto& s, TColor32 f, TColor32& b, unsigned w) { s.MixColorInto(f, b, w); }),
     TWeighted::Given, true, true},
    {"BlendColors", EachPixel([](auto& s, TColor32 f, TColor32& b, unsigned) { b = s.BlendColors(f, b); }),
     TWeighted::Alpha, true, false},
    {"BlendColorInto", EachPixel([](auto& s, TColor32 f, TColor32& b, unsigned) { s.BlendColorInto(f, b); }),
     TWeighted::Alpha, true, true},
    {"BlendColorsScaled",
     EachPixel([](auto& s, TColor32 f, TColor32& b, unsigned m) { b = s.BlendColorsScaled(f, b, m); }),
     TWeighted::Scaled, false, false},
    {"BlendColorIntoScaled",
     EachPixel([](auto& s, TColor32 f, TColor32& b, unsigned m) { s.BlendColorIntoScaled(f, b, m); }),
     TWeighted::Scaled, false, false},
    {"BlendRow", [](auto& s, const TColor32* f, TColor32* b, int n, unsigned) { s.BlendRow(f, b, n); },
     TWeighted::Alpha, true, true},
    {"BlendRowScaled", [](auto& s, const TColor32* f, TColor32* b, int n, unsigned m) { s.BlendRowScaled(f, b, n, m); },
     TWeighted::Scaled, false, false},
};

TColor32 Expected(const TWeighted& r, bool packed, TColor32 F, TColor32 B, unsigned param) {
  const unsigned w = r.Weight == TWeighted::Given ? param
                     : r.Weight == TWeighted::Alpha ? F >> 24
                                                    : (param + 1) * (F >> 24) >> 8;
  if (w == 0) return B;
  if (w == 255 && (packed ? r.PackedCopies : r.PlainCopies)) return F;
  return PerChannel(F, B, [&](unsigned f, unsigned b) { return packed ? PackedMix(f, b, w) : PlainMix(f, b, w); });
}

struct TSetCase {
  const TBlendSet* Set;
  bool Packed;
  const TWeighted* Routine;
};

void PrintTo(const TSetCase& c, std::ostream* os) { *os << (c.Packed ? "packed " : "plain ") << c.Routine->Name; }

class WeightedBlend : public testing::TestWithParam<TSetCase> {};

TEST_P(WeightedBlend, MatchesItsDefinition) {
  const auto [set, packed, r] = GetParam();
  // Channel k of pixel i holds i + 64 k (i + 86 k where alpha is the weight), so each row of
  // 64 (86) pixels covers every foreground value; rows cover every background and weight.
  const bool alphaWeight = r->Weight != TWeighted::Given;
  const int n = alphaWeight ? 86 : 64;
  std::vector<TColor32> F(std::size_t(n) + 3), B(F.size());  // three more for the packed tail
  for (unsigned w = 0; w < 256; ++w) {
    for (int i = 0; i < int(F.size()); ++i) {
      const auto f = TColor32(i % n);
      F[std::size_t(i)] = alphaWeight ? w << 24 | (f + 172) % 256 << 16 | (f + 86) << 8 | f
                                      : (f + 192) << 24 | (f + 128) << 16 | (f + 64) << 8 | f;
    }
    for (TColor32 b = 0; b < 256; ++b) {
      std::fill(B.begin(), B.end(), b * 0x01010101u);
      r->Call(*set, F.data(), B.data(), int(F.size()), alphaWeight ? 255 : w);
      for (std::size_t i = 0; i < F.size(); ++i) {
        ASSERT_EQ(B[i], Expected(*r, packed, F[i], b * 0x01010101u, alphaWeight ? 255 : w)) << w << " " << b << " " << i;
      }
    }
  }
  std::mt19937 random(7);
  for (int i = 0; i < 20000; ++i) {
    const TColor32 f = random(), b = random(), p = random() % 256;
    TColor32 out = b;
    r->Call(*set, &f, &out, 1, p);
    ASSERT_EQ(out, Expected(*r, packed, f, b, p)) << std::hex << f << " " << b << " " << p;
  }
}

std::vector<TSetCase> AllWeighted() {
  std::vector<TSetCase> cases;
  for (const TWeighted& r : Weighted) {
    cases.push_back({&PlainBlendSet, false, &r});
#ifdef __SSE2__
    cases.push_back({&PackedBlendSet, true, &r});
#endif
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Sets, WeightedBlend, testing::ValuesIn(AllWeighted()), [](const auto& info) {
  return std::string(info.param.Packed ? "Packed" : "Plain") + info.param.Routine->Name;
});

TEST(Blend, ChannelOperationsMatchTheirDefinitionsInBothSets) {
  using TOp = TColor32 (*TBlendSet::*)(TColor32, TColor32);
  const std::pair<TOp, std::function<int(int, int)>> ops[] = {
      {&TBlendSet::AddColors, [](int a, int b) { return std::min(a + b, 255); }},
      {&TBlendSet::SubtractColors, [](int a, int b) { return std::max(a - b, 0); }},
      {&TBlendSet::ModulateColors, [](int a, int b) { return a * b / 256; }},
      {&TBlendSet::MaxColors, [](int a, int b) { return std::max(a, b); }},
      {&TBlendSet::MinColors, [](int a, int b) { return std::min(a, b); }},
      {&TBlendSet::DifferenceColors, [](int a, int b) { return std::abs(a - b); }},
      {&TBlendSet::ExcludeColors, [](int a, int b) { return a + b - a * b / 128; }},
  };
  std::vector<const TBlendSet*> sets{&PlainBlendSet};
#ifdef __SSE2__
  sets.push_back(&PackedBlendSet);
#endif
  for (const TBlendSet* set : sets) {
    for (const auto& [op, model] : ops) {
      for (TColor32 a = 0; a < 64; ++a) {
        for (TColor32 b = 0; b < 256; ++b) {
          const TColor32 c1 = (a + 192) << 24 | (a + 128) << 16 | (a + 64) << 8 | a, c2 = b * 0x01010101u;
          ASSERT_EQ((set->*op)(c1, c2), PerChannel(c1, c2, [&](int x, int y) { return model(x, y); })) << a << " " << b;
        }
      }
    }
  }
}

TEST(Blend, WorkedExamples) {
  EXPECT_EQ(PlainBlendSet.MixColors(0xFFFFFFFF, 0xFF000000, 128), 0xFF808080);
  EXPECT_EQ(PlainBlendSet.MixColors(0xFFFFFFFF, 0, 255), 0xFFFFFFFF);
  EXPECT_EQ(PlainBlendSet.ExcludeColors(0xFF, 0xFF), 2u);
  EXPECT_EQ(PlainBlendSet.BlendColorsScaled(0xFF123456, 0x80808080, 0), 0x80808080);
  TColor32 untouched = 0x12345678;
  PlainBlendSet.BlendRow(nullptr, &untouched, 0);
  EXPECT_EQ(untouched, 0x12345678u);
#ifdef __SSE2__
  EXPECT_EQ(PackedBlendSet.MixColors(0xFFFFFFFF, 0xFF000000, 128), 0xFF808080);
  EXPECT_EQ(PackedBlendSet.MixColors(0xFFFFFFFF, 0, 255), 0xFEFEFEFE);
  // The probe picks the packed set wherever the packed-integer extension exists.
  EXPECT_EQ(PackedBlendActive, HasPackedIntegers());
  EXPECT_EQ(BlendRoutines.BlendRow, PackedBlendActive ? PackedBlendSet.BlendRow : PlainBlendSet.BlendRow);
#endif
#ifdef __x86_64__
  EXPECT_TRUE(HasPackedIntegers());
#endif
  EXPECT_FALSE(HasInstructionSet(5));
  EXPECT_FALSE(HasInstructionSet(-1));
}

}  // namespace
}  // namespace lumox
