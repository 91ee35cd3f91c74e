// Both blend sets against per-channel models of their definitions: every (foreground,
// background, weight) value of one channel, several channels per call, then random pixels.
#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <tuple>
#include <vector>

#include "bitmap/Blend.h"
#include "bitmap/ProcessorProbe.h"

namespace lumox {
namespace {

unsigned PlainMix(unsigned f, unsigned b, unsigned w) {
  return (f * w + 128) / 256 + (b * (255 - w) + 128) / 256;
}
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
enum TWeight { Given, Alpha, Scaled };
struct TWeighted {
  const char* Name;
  TRowCall Call;
  TWeight Weight;
  bool PlainCopies, PackedCopies;
};

template <class R>
TRowCall EachPixel(R routine) {
  return [routine](const TBlendSet& set, const TColor32* F, TColor32* B, int n, unsigned p) {
    for (int i = 0; i < n; ++i) routine(set, F[i], B[i], p);
  };
}

const TWeighted Weighted[] = {
    {"MixColors", EachPixel([](auto& s, auto f, auto& b, unsigned w) { b = s.MixColors(f, b, w); }), Given, 1,
     0},
    {"MixColorInto", EachPixel([](auto& s, auto f, auto& b, unsigned w) { s.MixColorInto(f, b, w); }), Given,
     1, 1},
    {"BlendColors", EachPixel([](auto& s, auto f, auto& b, unsigned) { b = s.BlendColors(f, b); }), Alpha, 1,
     0},
    {"BlendColorInto", EachPixel([](auto& s, auto f, auto& b, unsigned) { s.BlendColorInto(f, b); }), Alpha,
     1, 1},
    {"BlendColorsScaled",
     EachPixel([](auto& s, auto f, auto& b, unsigned m) { b = s.BlendColorsScaled(f, b, m); }), Scaled, 0, 0},
    {"BlendColorIntoScaled",
     EachPixel([](auto& s, auto f, auto& b, unsigned m) { s.BlendColorIntoScaled(f, b, m); }), Scaled, 0, 0},
    {"BlendRow", [](auto& s, auto f, auto b, int n, unsigned) { s.BlendRow(f, b, n); }, Alpha, 1, 1},
    {"BlendRowScaled", [](auto& s, auto f, auto b, int n, unsigned m) { s.BlendRowScaled(f, b, n, m); },
     Scaled, 0, 0},
};

TColor32 Expected(const TWeighted& r, bool packed, TColor32 F, TColor32 B, unsigned param) {
  const unsigned w = r.Weight == Given ? param : r.Weight == Alpha ? F >> 24 : (param + 1) * (F >> 24) >> 8;
  if (w == 0) return B;
  if (w == 255 && (packed ? r.PackedCopies : r.PlainCopies)) return F;
  return PerChannel(F, B,
                    [&](unsigned f, unsigned b) { return packed ? PackedMix(f, b, w) : PlainMix(f, b, w); });
}

using TSetCase = std::tuple<const TBlendSet*, bool, const TWeighted*>;

class WeightedBlend : public testing::TestWithParam<TSetCase> {};

TEST_P(WeightedBlend, MatchesItsDefinition) {
  const auto [set, packed, r] = GetParam();
  // Channel k of pixel i holds i + 86 k (alpha holds the weight where it is one), so each row
  // covers every foreground value; rows cover every background and weight.
  const bool alphaWeight = r->Weight != Given;
  std::vector<TColor32> F(86 + 3), B(F.size());  // three more for the packed tail
  for (unsigned w = 0; w < 256; ++w) {
    for (TColor32 i = 0; i < F.size(); ++i) {
      const TColor32 f = i % 86, colours = (f + 172) % 256 << 16 | (f + 86) << 8 | f;
      F[i] = colours | (alphaWeight ? w : (f + 2) % 256) << 24;
    }
    for (TColor32 b = 0; b < 256; ++b) {
      std::fill(B.begin(), B.end(), b * 0x01010101u);
      r->Call(*set, F.data(), B.data(), int(F.size()), alphaWeight ? 255 : w);
      for (std::size_t i = 0; i < F.size(); ++i) {
        ASSERT_EQ(B[i], Expected(*r, packed, F[i], b * 0x01010101u, alphaWeight ? 255 : w))
            << w << " " << b << " " << i;
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

const std::pair<const TBlendSet*, bool> Sets[] = {{&PlainBlendSet, false},
#ifdef __SSE2__
                                                  {&PackedBlendSet, true}
#endif
};

std::vector<TSetCase> AllWeighted() {
  std::vector<TSetCase> cases;
  for (const TWeighted& r : Weighted) {
    for (auto [set, packed] : Sets) cases.push_back({set, packed, &r});
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(Sets, WeightedBlend, testing::ValuesIn(AllWeighted()), [](const auto& info) {
  return std::string(std::get<1>(info.param) ? "Packed" : "Plain") + std::get<2>(info.param)->Name;
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
  for (auto [set, packed] : Sets) {
    for (const auto& [op, model] : ops) {
      for (TColor32 a = 0; a < 64; ++a) {
        for (TColor32 b = 0; b < 256; ++b) {
          const TColor32 c1 = (a + 192) << 24 | (a + 128) << 16 | (a + 64) << 8 | a, c2 = b * 0x01010101u;
          ASSERT_EQ((set->*op)(c1, c2), PerChannel(c1, c2, [&](int x, int y) { return model(x, y); }))
              << a << " " << b;
        }
      }
    }
  }
}

// The definitions' own examples, and the probe's choice.
TEST(Blend, WorkedExamples) {
  EXPECT_EQ(PlainBlendSet.MixColors(0xFFFFFFFF, 0xFF000000, 128), 0xFF808080);
#ifdef __SSE2__
  EXPECT_EQ(PackedBlendSet.MixColors(0xFFFFFFFF, 0, 255), 0xFEFEFEFE);
  EXPECT_EQ(BlendRoutines.BlendRow, PackedBlendActive ? PackedBlendSet.BlendRow : PlainBlendSet.BlendRow);
#endif
#ifdef __x86_64__
  EXPECT_TRUE(HasPackedIntegers() && PackedBlendActive);
#endif
  EXPECT_FALSE(HasInstructionSet(5) || HasInstructionSet(-1));
}

}  // namespace
}  // namespace lumox
