// Copyright Tavolin developers.

#include "component/not_implemented.h"
#include "tavolin/corvane.h"

namespace tavolin {

Variant Corvane::UserClear(Application& TheApplication, Variant& UMod) {
  ThrowNotImplemented("UserClear");
}

Variant Corvane::ClearStaleUsers(Application& TheApplication, Variant& UMod) {
  ThrowNotImplemented("ClearStaleUsers");
}

}  // namespace tavolin
