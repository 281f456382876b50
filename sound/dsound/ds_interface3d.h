// The two 3-D interfaces of a buffer, IDirectSound3DBuffer (Params = DS3DBUFFER) and
// IDirectSound3DListener (Params = DS3DLISTENER), work alike: each counts its own references
// (the buffer lives while any is held), keeps its record, refuses a record out of range and
// applies a new one to OpenAL at once. Each record is applied once at creation too.
#pragma once

#include <string>

#include "sound/dsound/ds_seam.h"
#include "sound/dsound/ds_types.h"

namespace dsound {

template <typename Params>
class Interface3D {
 public:
  Interface3D(const Interface3D&) = delete;
  Interface3D& operator=(const Interface3D&) = delete;

  ULONG Release();
  HRESULT GetAllParameters(Params* params);
  // Every change is immediate, whatever apply says.
  HRESULT SetAllParameters(const Params* params, DWORD apply);

 protected:
  Interface3D(IDirectSoundBuffer* owner, const Params& params);
  ~Interface3D() = default;

 private:
  friend class IDirectSoundBuffer;
  // The name in the call record: "<buffer's label>/3D", or "listener".
  std::string Label() const;
  // The seam's check, naming this interface only when a seam is there to record it.
  template <typename Describe>
  HRESULT Check(DsOp op, Describe&& describe) const;
  // Back to `params`, as a new interface starts.
  void Reset(const Params& params) {
    params_ = params;
    Apply();
  }
  // Each record's own range check and mapping onto OpenAL.
  static bool Valid(const Params& params);
  void Apply();

  IDirectSoundBuffer* owner_;
  ULONG refs_ = 0;
  Params params_;
};

template <>
bool Interface3D<DS3DBUFFER>::Valid(const DS3DBUFFER& params);
template <>
void Interface3D<DS3DBUFFER>::Apply();
template <>
bool Interface3D<DS3DLISTENER>::Valid(const DS3DLISTENER& params);
template <>
void Interface3D<DS3DLISTENER>::Apply();

extern template class Interface3D<DS3DBUFFER>;
extern template class Interface3D<DS3DLISTENER>;

}  // namespace dsound
