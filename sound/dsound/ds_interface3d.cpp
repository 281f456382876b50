#include "sound/dsound/ds_interface3d.h"

#include <utility>

#include "sound/dsound/al/device.h"
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
template <typename Describe>
HRESULT Interface3D<Params>::Check(DsOp op, Describe&& describe) const {
  if (TestSeam::Active() == nullptr) return DS_OK;
  return SeamCheck(op, Label(), std::forward<Describe>(describe));
}

template <typename Params>
ULONG Interface3D<Params>::Release() {
  const DeviceLock lock(owner_->device_->LockState());
  HRESULT forced = Check(DsOp::Release, [] { return std::string("Release"); });
  if (refs_ == 0) return 0;
  ULONG left = --refs_;
  owner_->DestroyIfUnused();
  return forced != DS_OK ? static_cast<ULONG>(forced) : left;
}

template <typename Params>
HRESULT Interface3D<Params>::GetAllParameters(Params* params) {
  const DeviceLock lock(owner_->device_->LockState());
  if (HRESULT forced =
          Check(DsOp::GetAllParameters, [] { return std::string("GetAllParameters"); }))
    return forced;
  if (params == nullptr) return DSERR_INVALIDPARAM;
  *params = params_;
  return DS_OK;
}

template <typename Params>
HRESULT Interface3D<Params>::SetAllParameters(const Params* params, DWORD apply) {
  const DeviceLock lock(owner_->device_->LockState());
  if (HRESULT forced =
          Check(DsOp::SetAllParameters, [] { return std::string("SetAllParameters"); }))
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
