#include "text/side_work.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace kestram {
namespace {

// What the work throws on its thread is thrown again by wait(), once; a
// second start() waits for the first work.
TEST(SideWork, WaitThrowsWhatTheWorkThrew) {
  SideWork work;
  int done = 0;
  work.start([&done] { ++done; });
  work.start([&done] { done *= 10; });
  work.wait();
  EXPECT_EQ(10, done);
  work.start([] { throw std::runtime_error("work failed"); });
  EXPECT_THROW(work.wait(), std::runtime_error);
  EXPECT_NO_THROW(work.wait());
  // An owner being destroyed has no use for the failure.
  SideWork dropped;
  dropped.start([] { throw std::runtime_error("dropped"); });
}

}  // namespace
}  // namespace kestram
