#include "text/batch_queue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

namespace kestram {
namespace {

struct Numbers {
  std::vector<int> values;
};

// Batches arrive in the order sent and come back to be filled again; the
// sender never has more than the bound out, and the receiver sees the end
// once the queue is closed and drained.
TEST(BatchQueue, BatchesArriveInOrderWithABoundedNumberOut) {
  constexpr std::size_t kMostOut = 3;
  BatchQueue<Numbers> queue(kMostOut);
  std::atomic<int> out{0};
  std::atomic<int> most_seen{0};
  std::vector<int> received;
  std::thread receiver([&] {
    while (std::unique_ptr<Numbers> batch = queue.receive()) {
      received.insert(received.end(), batch->values.begin(), batch->values.end());
      batch->values.clear();
      --out;
      queue.give_back(std::move(batch));
    }
  });
  std::vector<const Numbers*> made;
  for (int i = 0; i < 200; ++i) {
    std::unique_ptr<Numbers> batch = queue.empty_batch();
    if (std::find(made.begin(), made.end(), batch.get()) == made.end()) made.push_back(batch.get());
    for (int k = 0; k < 5; ++k) batch->values.push_back(5 * i + k);
    const int now_out = ++out;
    if (now_out > most_seen) most_seen = now_out;
    ASSERT_TRUE(queue.send(std::move(batch)));
  }
  queue.wait_until_all_back();
  EXPECT_EQ(0, out.load());
  queue.close();
  receiver.join();
  ASSERT_EQ(1000u, received.size());
  for (int i = 0; i < 1000; ++i) ASSERT_EQ(i, received[static_cast<std::size_t>(i)]);
  // The count is raised before send() waits, so it may run one over.
  EXPECT_LE(most_seen.load(), static_cast<int>(kMostOut) + 1);
  EXPECT_LE(made.size(), kMostOut + 1);  // batches are reused, not made anew
}

// A receiver that stops frees a sender waiting for room, and every later
// send() is refused.
TEST(BatchQueue, StoppedReceiverRefusesTheSender) {
  BatchQueue<Numbers> queue(1);
  ASSERT_TRUE(queue.send(queue.empty_batch()));
  std::atomic<bool> refused{false};
  std::thread sender([&] { refused = !queue.send(queue.empty_batch()); });  // waits: one is out
  queue.stop();
  sender.join();
  EXPECT_TRUE(refused);
  EXPECT_FALSE(queue.send(queue.empty_batch()));
  queue.wait_until_all_back();  // returns at once once stopped
}

}  // namespace
}  // namespace kestram
