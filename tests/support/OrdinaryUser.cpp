#include "tests/support/OrdinaryUser.h"

#include <grp.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QProcess>

namespace lumox::test {
namespace {

constexpr uid_t Nobody = 65534;  // Debian's nobody and nogroup

}  // namespace

void GiveToNobody(const QString& folder) {
  EXPECT_EQ(geteuid() == 0 ? QProcess::execute("chown", {"-R", "nobody:nogroup", folder}) : 0, 0);
}

void BecomeNobody() {
  if (geteuid() == 0 && (setgroups(0, nullptr) || setgid(Nobody) || setuid(Nobody))) _exit(127);
}

// Only the effective ids change, so root can take them back; the C library changes them for
// every thread of the process.
TAsOrdinaryUser::TAsOrdinaryUser(const QStringList& folders) : WasRoot(geteuid() == 0) {
  if (!WasRoot) return;
  for (const QString& folder : folders) GiveToNobody(folder);
  Groups.resize(std::size_t(getgroups(0, nullptr)));
  EXPECT_EQ(getgroups(int(Groups.size()), Groups.data()), int(Groups.size()));
  EXPECT_EQ(setgroups(0, nullptr), 0);
  EXPECT_EQ(setegid(Nobody), 0);
  EXPECT_EQ(seteuid(Nobody), 0);
}

TAsOrdinaryUser::~TAsOrdinaryUser() {
  if (!WasRoot) return;
  EXPECT_EQ(seteuid(0), 0);
  EXPECT_EQ(setegid(getgid()), 0);
  EXPECT_EQ(setgroups(Groups.size(), Groups.data()), 0);
}

}  // namespace lumox::test
