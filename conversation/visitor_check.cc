// Copyright Tavolin developers.

#include "component/not_implemented.h"
#include "tavolin/corvane.h"

namespace tavolin {

Variant Corvane::getLevel(Session& TheSession, Variant& User_List, Variant& room_list) {
  ThrowNotImplemented("getLevel");
}

}  // namespace tavolin
