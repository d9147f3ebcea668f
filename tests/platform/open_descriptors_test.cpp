// The listing of the process's open descriptors: a file opened shows with its path and goes when
// closed; the listing's own descriptor is never in it.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string>

#include "platform/open_descriptors.h"

namespace {

bool Lists(int number, const std::string& target) {
  const auto open = Platform::ListOpenDescriptors();
  return std::any_of(open.begin(), open.end(), [&](const Platform::OpenDescriptor& d) {
    return d.number == number && (target.empty() || d.target == target);
  });
}

TEST(OpenDescriptors, AFileShowsWhileOpenAndGoesWhenClosed) {
  char path[] = "/tmp/qv-open-descriptors.XXXXXX";
  const int fd = ::mkstemp(path);
  ASSERT_GE(fd, 0);
  EXPECT_TRUE(Lists(fd, path));
  ::close(fd);
  ::unlink(path);
  // The listing's own descriptor takes the lowest free number, the one just closed: left out.
  EXPECT_FALSE(Lists(fd, ""));
}

}  // namespace
