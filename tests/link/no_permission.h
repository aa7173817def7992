// A pseudo-terminal standing in for a serial port that the user may not open, as a
// port of the group dialout is for a user outside that group.
//
// Root's opens skip the permission checks, so as root the terminal's node is given to
// root and a group (dialout where the machine has it) with mode 0660, and the opens
// under test run with the effective user and group of nobody (`AsUnprivileged`, or a
// child process that drops to `Uid()`/`Gid()`). Any other user owns the terminals it
// makes: the node's mode becomes 0000, and the opens run as that user.
#pragma once

#include <grp.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/link/pty.h"

namespace pelyx::link::test_support {

class UnpermittedPort {
 public:
  static constexpr uid_t kNobody = 65534;

  UnpermittedPort() {
    if (!pty_.Valid()) return;
    const char* path = pty_.Path().c_str();
    if (::geteuid() == 0) {
      const struct group* dialout = ::getgrnam("dialout");
      const gid_t group = dialout != nullptr ? dialout->gr_gid : 20;
      if (::chown(path, 0, group) != 0 || ::chmod(path, 0660) != 0) return;
      uid_ = kNobody;
      gid_ = kNobody;
    } else {
      if (::chmod(path, 0) != 0) return;
      uid_ = ::getuid();
      gid_ = ::getgid();
    }
    struct stat node {};
    if (::stat(path, &node) != 0) return;
    const struct group* owner = ::getgrgid(node.st_gid);
    groupName_ = owner != nullptr ? owner->gr_name : std::to_string(node.st_gid);
    valid_ = true;
  }

  bool Valid() const { return valid_; }
  const std::string& Path() const { return pty_.Path(); }
  PseudoTerminal& Terminal() { return pty_; }
  // The name of the group that owns the node, as the system names it.
  const std::string& GroupName() const { return groupName_; }
  // The user and group a child process takes before it opens the port.
  uid_t Uid() const { return uid_; }
  gid_t Gid() const { return gid_; }

  // Runs `call` with the rights of a user outside the port's group: as root, with the
  // effective ids of nobody and no supplementary groups, restored afterwards.
  template <typename F>
  void AsUnprivileged(F call) {
    if (::geteuid() != 0) {
      call();
      return;
    }
    std::vector<gid_t> groups(static_cast<size_t>(std::max(::getgroups(0, nullptr), 0)));
    if (!groups.empty()) ::getgroups(static_cast<int>(groups.size()), groups.data());
    const gid_t egid = ::getegid();
    const bool dropped =
        ::setgroups(0, nullptr) == 0 && ::setegid(gid_) == 0 && ::seteuid(uid_) == 0;
    if (dropped) call();
    [[maybe_unused]] int restored = ::seteuid(0);
    restored = ::setegid(egid);
    restored = ::setgroups(groups.size(), groups.data());
    if (!dropped) ADD_FAILURE() << "cannot take the rights of an ordinary user";
  }

 private:
  PseudoTerminal pty_;
  bool valid_ = false;
  uid_t uid_ = 0;
  gid_t gid_ = 0;
  std::string groupName_;
};

}  // namespace pelyx::link::test_support
