// Copyright Tavolin developers.
//
// The room robot: a post addressed to the room's robot gets a random answer.

#include "component/not_implemented.h"
#include "conversation/post.h"
#include "tavolin/corvane.h"

namespace tavolin {

void Corvane::RobotReply(Application& application, Post& post) {
  ThrowNotImplemented("the room robot");
}

}  // namespace tavolin
