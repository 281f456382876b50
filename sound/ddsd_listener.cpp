#include "sound/ddsd_listener.h"

#include "sound/ddsd.h"

using namespace dsound;

TDDSDListener::TDDSDListener(TDDSD* ddsd) : ddsd_(ddsd), params_{} {
  params_.dwSize = sizeof(DS3DLISTENER);
  params_.vOrientFront = {0.0f, 0.0f, 1.0f};
  params_.vOrientTop = {0.0f, 1.0f, 0.0f};
  params_.flDistanceFactor = 1.0f;
  params_.flRolloffFactor = 1.0f;
  params_.flDopplerFactor = 1.0f;
  if (ddsd_->Listener3D() != nullptr)
    CheckResult(ddsd_->Listener3D()->SetAllParameters(&params_, DS3D_IMMEDIATE),
                "Listenerに指定されたパラメータが不適切です");
}
