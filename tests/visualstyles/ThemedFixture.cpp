#include "tests/visualstyles/ThemedFixture.h"

#include <map>
#include <sstream>

#include "visualstyles/SharedLibrary.h"

namespace lumox::test {
namespace {

std::string Describe(const TStandInCall& call) {
  static const std::map<std::string, std::string> labels = {
      {"DrawThemeBackground", "background"},
      {"DrawThemeText", "text"},
      {"DrawThemeEdge", "edge"},
      {"GetThemeBackgroundContentRect", "content"},
      {"IsThemeBackgroundPartiallyTransparent", "transparent?"},
      {"DrawThemeParentBackground", "parent"}};
  std::ostringstream out;
  out << labels.at(call.Function);
  if (!call.Class.empty())
    out << " " << QString::fromStdU16String(call.Class).toStdString() << " " << call.Part << "/"
        << call.State;
  if (call.Window) out << " " << reinterpret_cast<QObject*>(call.Window)->objectName().toStdString();
  if (!call.Text.empty()) out << " \"" << QString::fromStdU16String(call.Text).toStdString() << "\"";
  if (call.HasRect) PrintTo(call.Rect, &(out << " "));
  if (call.HasClip) PrintTo(call.Clip, &(out << " clip "));
  return out.str();
}

std::unique_ptr<IThemeLibrary> LoadStandIn() { return OpenThemeLibrary({LUMOX_THEME_WHOLE}); }

}  // namespace

// The library the services load, opened once more.
TStandInTheme& StandIn() {
  static const auto library = TSharedLibrary::Open(ThemeLibraryFileName, {LUMOX_THEME_WHOLE});
  return *library->Entry<FStandInTheme>("StandInTheme")();
}

std::vector<std::string> Recorded() {
  std::vector<std::string> calls;
  for (const TStandInCall& call : StandIn().Calls) calls.push_back(Describe(call));
  return calls;
}

void ForgetRecorded() { StandIn().Calls.clear(); }

ThemedFixture::ThemedFixture() { DC->SelectBlock({Pixels.data(), Width, Height, std::size_t(Width)}); }

ThemedFixture::~ThemedFixture() { StandIn().Transparent = true; }

void ThemedFixture::Start(bool styles) {
  Manager.reset();
  Scope.reset();
  Services.emplace(&AppWindow, TThemePlatform{styles ? LoadStandIn : nullptr, 0x60000, true, {13, 13}});
  Scope.emplace(*Services);
  Manager.emplace();
  ForgetRecorded();
}

TColor ThemedFixture::ColourAt(int x, int y) const {
  const std::uint32_t pixel = Pixels[std::size_t(y * Width + x)];
  return RGB(std::uint8_t(pixel >> 16), std::uint8_t(pixel >> 8), std::uint8_t(pixel));
}

}  // namespace lumox::test
