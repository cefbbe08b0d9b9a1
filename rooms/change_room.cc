// Copyright Tavolin developers.

#include "component/not_implemented.h"
#include "tavolin/corvane.h"

namespace tavolin {

Variant Corvane::ChangeRoom(Application& TheApplication, Session& TheSession,
                            Request& TheRequest) {
  ThrowNotImplemented("ChangeRoom");
}

}  // namespace tavolin
