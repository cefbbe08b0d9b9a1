// Copyright Tavolin developers.

#include "component/not_implemented.h"
#include "tavolin/corvane.h"

namespace tavolin {

Variant Corvane::subsay(Application& TheApplication, Session& TheSession, Request& TheRequest) {
  ThrowNotImplemented("subsay");
}

}  // namespace tavolin
