#include "sound/ddsd/ddsd_params3d.h"

#include "sound/ddsd/ddsd_report.h"
#include "sound/dsound/ds_3dbuffer.h"

using namespace dsound;

namespace {
// The component places its sounds nearer than DirectSound does.
constexpr float kMinDistance = 5.0f;
constexpr float kMaxDistance = 100.0f;
}  // namespace

TDDSDParams3D::TDDSDParams3D(TDDSDReport* report) : report_(report), params_(kDefault3DBuffer) {
  params_.flMinDistance = kMinDistance;
  params_.flMaxDistance = kMaxDistance;
}

DS3DBUFFER TDDSDParams3D::Params() {
  if (buffer3D_ != nullptr) buffer3D_->GetAllParameters(&params_);
  return params_;
}

void TDDSDParams3D::Assign(TDDSDParams3D& Source) {
  params_ = Source.Params();
  Apply();
}

void TDDSDParams3D::setParams(const DS3DBUFFER& value) {
  params_ = value;
  Apply();
}

void TDDSDParams3D::Apply() {
  if (buffer3D_ == nullptr) return;
  const HRESULT applied = buffer3D_->SetAllParameters(&params_, DS3D_IMMEDIATE);
  if (report_ != nullptr)
    report_->CheckResult(applied, "Params3Dに指定されたパラメータが不適切です");
}
