// Copyright Tavolin developers.

#include "component/not_implemented.h"
#include "tavolin/corvane.h"

namespace tavolin {

Variant Corvane::GetTimeStr(Variant* TimeStr) { ThrowNotImplemented("GetTimeStr"); }
Variant Corvane::GetDateStr(Variant* DateStr) { ThrowNotImplemented("GetDateStr"); }
Variant Corvane::AllDateStr(Variant* ADstr) { ThrowNotImplemented("AllDateStr"); }

}  // namespace tavolin
