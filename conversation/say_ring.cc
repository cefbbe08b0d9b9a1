// Copyright Tavolin developers.

#include "component/not_implemented.h"
#include "tavolin/corvane.h"

namespace tavolin {

void Corvane::Newsay(Variant& who, Variant& ToWho, Variant& secret, Variant& room_id, Variant& mess,
                     Variant& c1, Variant& c2, Variant& act, Variant& says, Variant& current) {
  ThrowNotImplemented("Newsay");
}

Variant Corvane::GetNewSays(const Variant& says, const Variant& current, int32_t sayid) {
  ThrowNotImplemented("GetNewSays");
}

}  // namespace tavolin
