#pragma once
#include <QString>

namespace lumox {

// One string of the running program's version block ("FileVersion", "ProductName"),
// or the empty string when the block has no such entry. The block is compiled in.
QString ReadVersionBlockString(const QString& name);

}  // namespace lumox
