#include "visualstyles/ThemeLibrary.h"

#include "visualstyles/SharedLibrary.h"

namespace lumox {
namespace {

class TLoadedThemeLibrary final : public IThemeLibrary {
 public:
  explicit TLoadedThemeLibrary(std::unique_ptr<TSharedLibrary> library) : Library(std::move(library)) {}

  bool Complete() const {
    return FOpen && FClose && FBackground && FText && FEdge && FContentRect && FTransparent && FParentBackground &&
           FAppThemed && FThemeActive && FGetProperties && FSetProperties && FDialogTexture;
  }

  TThemeHandle OpenThemeData(TWindowHandle window, const char16_t* classList) override {
    return FOpen(window, classList);
  }
  void CloseThemeData(TThemeHandle theme) override { FClose(theme); }
  void DrawThemeBackground(TThemeHandle theme, TDeviceContext dc, int part, int state, const TRect& rect,
                           const TRect* clip) override {
    FBackground(theme, dc, part, state, &rect, clip);
  }
  void DrawThemeText(TThemeHandle theme, TDeviceContext dc, int part, int state, const std::u16string& text,
                     std::uint32_t flags, std::uint32_t flags2, const TRect& rect) override {
    FText(theme, dc, part, state, text.c_str(), std::int32_t(text.size()), flags, flags2, &rect);
  }
  void DrawThemeEdge(TThemeHandle theme, TDeviceContext dc, int part, int state, const TRect& rect,
                     std::uint32_t edge, std::uint32_t flags, TRect* content) override {
    FEdge(theme, dc, part, state, &rect, edge, flags, content);
  }
  TRect GetThemeBackgroundContentRect(TThemeHandle theme, TDeviceContext dc, int part, int state,
                                      const TRect& bounds) override {
    TRect content = bounds;
    FContentRect(theme, dc, part, state, &bounds, &content);
    return content;
  }
  bool IsThemeBackgroundPartiallyTransparent(TThemeHandle theme, int part, int state) override {
    return FTransparent(theme, part, state) != 0;
  }
  void DrawThemeParentBackground(TWindowHandle window, TDeviceContext dc, const TRect* rect) override {
    FParentBackground(window, dc, rect);
  }
  bool IsAppThemed() override { return FAppThemed() != 0; }
  bool IsThemeActive() override { return FThemeActive() != 0; }
  std::uint32_t GetThemeAppProperties() override { return FGetProperties(); }
  void SetThemeAppProperties(std::uint32_t flags) override { FSetProperties(flags); }
  void EnableThemeDialogTexture(TWindowHandle window, std::uint32_t flags) override { FDialogTexture(window, flags); }

 private:
  std::unique_ptr<TSharedLibrary> Library;
  FOpenThemeData* FOpen = Library->Entry<FOpenThemeData>("OpenThemeData");
  FCloseThemeData* FClose = Library->Entry<FCloseThemeData>("CloseThemeData");
  FDrawThemeBackground* FBackground = Library->Entry<FDrawThemeBackground>("DrawThemeBackground");
  FDrawThemeText* FText = Library->Entry<FDrawThemeText>("DrawThemeText");
  FDrawThemeEdge* FEdge = Library->Entry<FDrawThemeEdge>("DrawThemeEdge");
  FGetThemeBackgroundContentRect* FContentRect =
      Library->Entry<FGetThemeBackgroundContentRect>("GetThemeBackgroundContentRect");
  FIsThemeBackgroundPartiallyTransparent* FTransparent =
      Library->Entry<FIsThemeBackgroundPartiallyTransparent>("IsThemeBackgroundPartiallyTransparent");
  FDrawThemeParentBackground* FParentBackground =
      Library->Entry<FDrawThemeParentBackground>("DrawThemeParentBackground");
  FIsAppThemed* FAppThemed = Library->Entry<FIsAppThemed>("IsAppThemed");
  FIsThemeActive* FThemeActive = Library->Entry<FIsThemeActive>("IsThemeActive");
  FGetThemeAppProperties* FGetProperties = Library->Entry<FGetThemeAppProperties>("GetThemeAppProperties");
  FSetThemeAppProperties* FSetProperties = Library->Entry<FSetThemeAppProperties>("SetThemeAppProperties");
  FEnableThemeDialogTexture* FDialogTexture =
      Library->Entry<FEnableThemeDialogTexture>("EnableThemeDialogTexture");
};

}  // namespace

std::unique_ptr<IThemeLibrary> OpenThemeLibrary(const std::vector<std::string>& folders) {
  auto shared = TSharedLibrary::Open(ThemeLibraryFileName, folders);
  if (!shared) return nullptr;
  auto library = std::make_unique<TLoadedThemeLibrary>(std::move(shared));
  if (!library->Complete()) return nullptr;
  return library;
}

}  // namespace lumox
