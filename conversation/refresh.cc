// Copyright Tavolin developers.

#include "component/not_implemented.h"
#include "tavolin/corvane.h"

namespace tavolin {

Variant Corvane::refresh(Application& TheApplication, Session& TheSession, Request& TheRequest) {
  ThrowNotImplemented("refresh");
}

}  // namespace tavolin
