#pragma once
#include <gtest/gtest.h>

#include <QWidget>

namespace lumox::test {

// The child of `window` named `name`; a missing one fails the test.
template <class W = QWidget>
W* Find(const QWidget& window, const char* name) {
  W* widget = window.findChild<W*>(QString::fromLatin1(name));
  EXPECT_NE(widget, nullptr) << name;
  return widget;
}

}  // namespace lumox::test
