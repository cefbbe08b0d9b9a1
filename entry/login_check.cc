// Copyright Tavolin developers.

#include "component/not_implemented.h"
#include "tavolin/corvane.h"

namespace tavolin {

Variant Corvane::LoginCheck(Application& TheApplication, Session& TheSession,
                            Request& TheRequest) {
  ThrowNotImplemented("LoginCheck");
}

}  // namespace tavolin
