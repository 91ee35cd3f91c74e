#include "imageformats/FormatTexts.h"

namespace lumox {

std::string_view LoadFormatText(TFormatText id) {
  switch (id) {
#define LUMOX_TEXT_CASE(name, number, text) \
  case TFormatText::name: return text;
    LUMOX_FORMAT_TEXTS(LUMOX_TEXT_CASE)
#undef LUMOX_TEXT_CASE
  }
  return {};
}

std::string FormatText(TFormatText id, std::initializer_list<std::string_view> arguments) {
  const std::string_view text = LoadFormatText(id);
  std::string result;
  auto argument = arguments.begin();
  std::size_t from = 0;
  for (std::size_t at = text.find("%s"); at != std::string_view::npos && argument != arguments.end();
       at = text.find("%s", from)) {
    result.append(text, from, at - from).append(*argument++);
    from = at + 2;
  }
  return result.append(text, from);
}

}  // namespace lumox
