// Threads that compress deflate blocks handed to them, in any order; the
// caller waits for each block it needs. With one thread the caller's own
// thread compresses each block as it is handed over, and no thread starts.
#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "zip/BlockCompressor.h"

namespace velt {
namespace zip {

class DeflatePool {
 public:
  explicit DeflatePool(unsigned threads);
  // Lets each thread finish the block in hand, drops the blocks still
  // queued and joins the threads.
  ~DeflatePool();
  DeflatePool(const DeflatePool&) = delete;
  DeflatePool& operator=(const DeflatePool&) = delete;

  // `block` must stay untouched until Wait returns for it.
  void Submit(DeflateBlock& block);
  void Wait(DeflateBlock& block);

 private:
  void Work();

  std::mutex m_lock;
  std::condition_variable m_queued;
  std::condition_variable m_finished;
  std::deque<DeflateBlock*> m_queue;
  bool m_closing = false;
  std::vector<std::thread> m_threads;
  BlockCompressor m_callers;  // used when no thread runs
};

}  // namespace zip
}  // namespace velt
