// Copyright Tavolin developers.

#include "component/not_implemented.h"
#include "tavolin/corvane.h"

namespace tavolin {

Variant Corvane::RoomUpdate(Application& TheApplication, Variant& UMod) {
  ThrowNotImplemented("RoomUpdate");
}

Variant Corvane::KeepPopularRooms(Application& TheApplication, Variant& UMod) {
  ThrowNotImplemented("KeepPopularRooms");
}

Variant Corvane::ExpireRooms(Application& TheApplication, Variant& UMod) {
  ThrowNotImplemented("ExpireRooms");
}

}  // namespace tavolin
