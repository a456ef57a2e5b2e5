// UniqueFd: exactly one owner closes a descriptor, once.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <utility>

#include "platform/unique_fd.h"

using platform::UniqueFd;

namespace {

bool IsOpen(int fd) { return fcntl(fd, F_GETFD) != -1; }

int OpenNull() { return open("/dev/null", O_RDONLY | O_CLOEXEC); }

}  // namespace

TEST(UniqueFd, ClosesWhatItOwnsAndNothingElse) {
    int a = OpenNull();
    int b = OpenNull();
    ASSERT_GE(a, 0);
    ASSERT_GE(b, 0);
    {
        UniqueFd owner(a);
        EXPECT_EQ(owner.Get(), a);
        UniqueFd moved(std::move(owner));
        EXPECT_FALSE(owner.Valid());  // NOLINT(bugprone-use-after-move): a moved-from owner holds none
        EXPECT_EQ(moved.Get(), a);
        UniqueFd other(b);
        other = std::move(moved);  // b closed, a handed over
        EXPECT_FALSE(IsOpen(b));
        EXPECT_TRUE(IsOpen(a));
        other.Reset(other.Get());  // the same descriptor again: kept open
        EXPECT_TRUE(IsOpen(a));
    }
    EXPECT_FALSE(IsOpen(a));

    int c = OpenNull();
    ASSERT_GE(c, 0);
    {
        UniqueFd owner(c);
        EXPECT_EQ(owner.Release(), c);
        EXPECT_FALSE(owner.Valid());
    }
    EXPECT_TRUE(IsOpen(c));  // released: the caller closes it
    {
        UniqueFd owner(c);
        owner.Reset();
        EXPECT_FALSE(IsOpen(c));
        EXPECT_EQ(owner.Get(), -1);
    }
}
