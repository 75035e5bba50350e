#include "zip/DeflatePool.h"

#include <system_error>

namespace velt {
namespace zip {

DeflatePool::DeflatePool(unsigned threads) {
  for (unsigned i = 0; threads > 1 && i < threads; ++i) {
    try {
      m_threads.emplace_back(&DeflatePool::Work, this);
    } catch (const std::system_error&) {
      break;  // the threads that did start do the work; none: the caller does
    }
  }
}

DeflatePool::~DeflatePool() {
  {
    std::lock_guard<std::mutex> hold(m_lock);
    m_closing = true;
    m_queue.clear();
  }
  m_queued.notify_all();
  for (std::thread& thread : m_threads) {
    thread.join();
  }
}

void DeflatePool::Submit(DeflateBlock& block) {
  if (m_threads.empty()) {
    m_callers.Compress(block);
    block.done = true;
    return;
  }
  {
    std::lock_guard<std::mutex> hold(m_lock);
    block.done = false;
    m_queue.push_back(&block);
  }
  m_queued.notify_one();
}

void DeflatePool::Wait(DeflateBlock& block) {
  std::unique_lock<std::mutex> hold(m_lock);
  m_finished.wait(hold, [&block] { return block.done; });
}

void DeflatePool::Work() {
  BlockCompressor compressor;
  std::unique_lock<std::mutex> hold(m_lock);
  for (;;) {
    m_queued.wait(hold, [this] { return m_closing || !m_queue.empty(); });
    if (m_closing) {
      return;
    }
    DeflateBlock* block = m_queue.front();
    m_queue.pop_front();
    hold.unlock();
    compressor.Compress(*block);
    hold.lock();
    block->done = true;
    m_finished.notify_all();
  }
}

}  // namespace zip
}  // namespace velt
