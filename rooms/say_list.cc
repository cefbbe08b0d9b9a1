// Copyright Tavolin developers.

#include "component/not_implemented.h"
#include "tavolin/corvane.h"

namespace tavolin {

Variant Corvane::InitSayList(Application& TheApplication, Session& TheSession) {
  ThrowNotImplemented("InitSayList");
}

}  // namespace tavolin
