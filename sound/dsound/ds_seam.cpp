#include "sound/dsound/ds_seam.h"

namespace dsound {
namespace {
TestSeam* g_active = nullptr;
}

TestSeam::TestSeam() : previous_(g_active) { g_active = this; }

TestSeam::~TestSeam() { g_active = previous_; }

TestSeam* TestSeam::Active() { return g_active; }

void TestSeam::Fail(DsOp op, HRESULT code, std::string label) {
  failures_.push_back({op, code, std::move(label)});
}

HRESULT TestSeam::Intercept(DsOp op, std::string_view label, std::string_view entry) {
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
