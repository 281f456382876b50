#include "sound/ddsd_params3d.h"

#include "sound/ddsd.h"

using namespace dsound;

TDDSDParams3D::TDDSDParams3D(TDDSDChannel* channel) : channel_(channel), params_{} {
  params_.dwSize = sizeof(DS3DBUFFER);
  params_.dwInsideConeAngle = 360;
  params_.dwOutsideConeAngle = 360;
  params_.vConeOrientation = {0.0f, 0.0f, 1.0f};
  params_.lConeOutsideVolume = 0;
  params_.flMinDistance = 5.0f;
  params_.flMaxDistance = 100.0f;
  params_.dwMode = DS3DMODE_NORMAL;
}

DS3DBUFFER TDDSDParams3D::Params() {
  if (channel_ != nullptr && channel_->Buffer3D() != nullptr)
    channel_->Buffer3D()->GetAllParameters(&params_);
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
  if (channel_ == nullptr || channel_->Buffer3D() == nullptr) return;
  CheckResult(channel_->Buffer3D()->SetAllParameters(&params_, DS3D_IMMEDIATE),
              "Params3Dに指定されたパラメータが不適切です");
}
