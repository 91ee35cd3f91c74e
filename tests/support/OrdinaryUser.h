#pragma once
#include <sys/types.h>

#include <QString>
#include <QStringList>
#include <vector>

namespace lumox::test {

// Root passes every permission check, so what permissions forbid is checked as an ordinary
// user: when the tests run as root, as the user nobody. GiveToNobody hands it `folder` and all
// in it; BecomeNobody turns a child process into it, or ends the child. Both do nothing for
// an ordinary user.
void GiveToNobody(const QString& folder);
void BecomeNobody();

// For as long as it lives, this process reaches files as an ordinary user does: when the tests
// run as root, as the user nobody, to whom `folders` are given first.
class TAsOrdinaryUser {
 public:
  explicit TAsOrdinaryUser(const QStringList& folders);
  ~TAsOrdinaryUser();
  TAsOrdinaryUser(const TAsOrdinaryUser&) = delete;
  TAsOrdinaryUser& operator=(const TAsOrdinaryUser&) = delete;

 private:
  bool WasRoot;
  std::vector<gid_t> Groups;  // root's own, given back at the end
};

}  // namespace lumox::test
