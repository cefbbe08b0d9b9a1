// Copyright Tavolin developers.

#include "component/not_implemented.h"
#include "tavolin/corvane.h"

namespace tavolin {

Variant Corvane::Chuser(Variant& u, Variant& usernameenable) { ThrowNotImplemented("Chuser"); }
Variant Corvane::len_ch(Variant& u) { ThrowNotImplemented("len_ch"); }
Variant Corvane::trpass(Variant& preString) { ThrowNotImplemented("trpass"); }

}  // namespace tavolin
