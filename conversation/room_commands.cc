// Copyright Tavolin developers.
//
// Commands a post can carry: making the text the room title, and actions.

#include "component/not_implemented.h"
#include "conversation/post.h"
#include "tavolin/corvane.h"

namespace tavolin {

void Corvane::TitlePath(Application& application, Post& post) { ThrowNotImplemented("room titles"); }

void Corvane::ActionPath(Application& application, Post& post) { ThrowNotImplemented("actions"); }

}  // namespace tavolin
