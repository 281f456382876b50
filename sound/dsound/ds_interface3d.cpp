#include "sound/dsound/ds_interface3d.h"

#include "sound/dsound/al/device_lock.h"
#include "sound/dsound/ds_buffer.h"
#include "sound/dsound/ds_seam.h"

namespace dsound {

template <typename Params>
Interface3D<Params>::Interface3D(IDirectSoundBuffer* owner, const Params& params)
    : owner_(owner), params_(params) {
  Apply();
}

template <typename Params>
std::string Interface3D<Params>::Label() const {
  return owner_->IsPrimary() ? std::string("listener") : owner_->Label() + "/3D";
}

template <typename Params>
ULONG Interface3D<Params>::Release() {
  const DeviceLock lock;
  HRESULT forced = SeamCheck(DsOp::Release, Label(), [] { return std::string("Release"); });
  if (refs_ == 0) return 0;
  ULONG left = --refs_;
  owner_->DestroyIfUnused();
  return forced != DS_OK ? static_cast<ULONG>(forced) : left;
}

template <typename Params>
HRESULT Interface3D<Params>::GetAllParameters(Params* params) {
  const DeviceLock lock;
  if (HRESULT forced = SeamCheck(DsOp::GetAllParameters, Label(),
                                 [] { return std::string("GetAllParameters"); }))
    return forced;
  if (params == nullptr) return DSERR_INVALIDPARAM;
  *params = params_;
  return DS_OK;
}

template <typename Params>
HRESULT Interface3D<Params>::SetAllParameters(const Params* params, DWORD apply) {
  const DeviceLock lock;
  if (HRESULT forced = SeamCheck(DsOp::SetAllParameters, Label(),
                                 [] { return std::string("SetAllParameters"); }))
    return forced;
  (void)apply;
  if (params == nullptr || !Valid(*params)) return DSERR_INVALIDPARAM;
  params_ = *params;
  Apply();
  return DS_OK;
}

template class Interface3D<DS3DBUFFER>;
template class Interface3D<DS3DLISTENER>;

}  // namespace dsound
