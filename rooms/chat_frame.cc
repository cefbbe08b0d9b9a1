// Copyright Tavolin developers.

#include "component/not_implemented.h"
#include "tavolin/corvane.h"

namespace tavolin {

Variant Corvane::ChatFrame(Application& TheApplication, Session& TheSession, Request& TheRequest) {
  ThrowNotImplemented("ChatFrame");
}

}  // namespace tavolin
