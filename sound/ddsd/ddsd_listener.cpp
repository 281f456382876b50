#include "sound/ddsd/ddsd_listener.h"

#include "sound/ddsd/ddsd_report.h"
#include "sound/dsound/ds_3dlistener.h"

using namespace dsound;

TDDSDListener::TDDSDListener(IDirectSound3DListener* listener3D, TDDSDReport& report)
    : params_(kDefault3DListener) {
  if (listener3D != nullptr)
    report.CheckResult(listener3D->SetAllParameters(&params_, DS3D_IMMEDIATE),
                       "Listenerに指定されたパラメータが不適切です");
}
