// Copyright Tavolin developers.

#include "component/not_implemented.h"
#include "tavolin/corvane.h"

namespace tavolin {

Variant Corvane::zhgl(Variant& mess) { ThrowNotImplemented("zhgl"); }
Variant Corvane::trDb(Variant& mess) { ThrowNotImplemented("trDb"); }
Variant Corvane::trHtml(Variant& mess) { ThrowNotImplemented("trHtml"); }
Variant Corvane::TrStr(Variant& mess, Variant& enablesaysfilter) { ThrowNotImplemented("TrStr"); }

}  // namespace tavolin
