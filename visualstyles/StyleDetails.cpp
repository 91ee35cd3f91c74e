#include "visualstyles/StyleDetails.h"

#include <array>
#include <initializer_list>

namespace lumox {
namespace {

// The values first..last are the states of one part.
struct TPartGroup {
  int First, Last, Part;
};

TStyleDetails Details(TStyleElement element, std::initializer_list<TPartGroup> groups, int value) {
  for (const TPartGroup& group : groups)
    if (value >= group.First && value <= group.Last) return {element, group.Part, value - group.First + 1};
  // Outside every part: "don't care" and the root come out as states 1 and 2 of part 0.
  return {element, 0, value + 1};
}

}  // namespace

const char16_t* ElementClassName(TStyleElement element) {
  static constexpr std::array<const char16_t*, StyleElementCount> Names = {
      u"button", u"clock", u"combobox", u"edit", u"explorerbar", u"header", u"listview", u"menu",
      u"page", u"progress", u"rebar", u"scrollbar", u"spin", u"startpanel", u"status", u"tab",
      u"taskband", u"taskbar", u"toolbar", u"tooltip", u"trackbar", u"traynotify", u"treeview", u"window"};
  return Names[std::size_t(element)];
}

TStyleDetails DetailsOf(TButtonStyleItem item) {
  return Details(TStyleElement::Button, {{2, 6, 1}, {7, 14, 2}, {15, 26, 3}, {27, 28, 4}, {29, 29, 5}}, int(item));
}

TStyleDetails DetailsOf(TEditStyleItem item) {
  return Details(TStyleElement::Edit, {{2, 8, 1}, {9, 9, 2}}, int(item));
}

TStyleDetails DetailsOf(TRebarStyleItem item) {
  return Details(TStyleElement::Rebar, {{2, 2, 1}, {3, 3, 2}, {4, 9, 3}, {10, 13, 4}, {14, 17, 5}}, int(item));
}

TStyleDetails DetailsOf(TStatusStyleItem item) {
  return Details(TStyleElement::StatusBar, {{2, 2, 1}, {3, 3, 2}, {4, 4, 3}}, int(item));
}

TStyleDetails DetailsOf(TTabStyleItem item) {
  return Details(TStyleElement::Tab,
                 {{2, 6, 1}, {7, 11, 2}, {12, 16, 3}, {17, 21, 4}, {22, 26, 5}, {27, 31, 6}, {32, 36, 7},
                  {37, 41, 8}, {42, 42, 9}, {43, 43, 10}},
                 int(item));
}

TStyleDetails DetailsOf(TToolBarStyleItem item) {
  return Details(TStyleElement::ToolBar, {{2, 7, 1}, {8, 13, 2}, {14, 19, 3}, {20, 25, 4}, {26, 31, 5}, {32, 37, 6}},
                 int(item));
}

TStyleDetails DetailsOf(TTrackBarStyleItem item) {
  return Details(TStyleElement::TrackBar,
                 {{2, 2, 1}, {3, 3, 2}, {4, 8, 3}, {9, 13, 4}, {14, 18, 5}, {19, 23, 6}, {24, 28, 7}, {29, 33, 8},
                  {34, 34, 9}, {35, 35, 10}},
                 int(item));
}

}  // namespace lumox
