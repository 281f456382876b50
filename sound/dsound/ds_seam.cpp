#include "sound/dsound/ds_seam.h"

#include <atomic>

namespace dsound {
namespace {
std::atomic<TestSeam*> g_active{nullptr};
}

TestSeam::TestSeam() : previous_(g_active.exchange(this)) {}

TestSeam::~TestSeam() { g_active = previous_; }

TestSeam* TestSeam::Active() { return g_active.load(std::memory_order_acquire); }

void TestSeam::Fail(DsOp op, HRESULT code, std::string label) {
  const std::lock_guard<std::mutex> hold(mutex_);
  failures_.push_back({op, code, std::move(label)});
}

void TestSeam::ClearFailures() {
  const std::lock_guard<std::mutex> hold(mutex_);
  failures_.clear();
}

void TestSeam::ClearCalls() {
  const std::lock_guard<std::mutex> hold(mutex_);
  calls_.clear();
}

HRESULT TestSeam::Intercept(DsOp op, std::string_view label, std::string_view entry) {
  const std::lock_guard<std::mutex> hold(mutex_);
  if (label.empty())
    calls_.emplace_back(entry);
  else
    calls_.push_back(std::string(label) + "." + std::string(entry));
  for (const Failure& failure : failures_) {
    if (failure.op == op && (failure.label.empty() || failure.label == label)) return failure.code;
  }
  return DS_OK;
}

}  // namespace dsound
