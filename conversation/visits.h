// Copyright Tavolin developers.
//
// Ends of a visit that the site's pages drive: a visitor who leaves by the
// close page, and visitors whose browsers stopped polling. Either way the
// user record leaves the user list, the name leaves the room's occupants, and
// the room gets a leave line that removes the name from its user lists.

#ifndef TAVOLIN_CONVERSATION_VISITS_H_
#define TAVOLIN_CONVERSATION_VISITS_H_

#include <cstdint>
#include <string_view>

#include "tavolin/application.h"
#include "tavolin/corvane.h"
#include "tavolin/session.h"

namespace tavolin {

// Ends the visit of the session's visitor. Returns false, changing nothing,
// when the session does not prove a visitor (the visitor check fails).
// `object` must have its ConstStr set; takes the application lock.
bool EndVisit(Corvane& object, Application& application, Session& session);

// Ends the visit of `name` when it is online under the login token `token`
// (so a visit begun since the token was read stays). Returns whether it
// ended. Takes the application lock.
bool EndVisitOf(Corvane& object, Application& application, std::string_view name,
                std::string_view token);

// Ends the visits of every visitor whose last poll is more than
// `silent_seconds` before `now`. Returns how many ended. Takes the
// application lock.
int EndSilentVisits(Corvane& object, Application& application, DateTime now,
                    int64_t silent_seconds);

}  // namespace tavolin

#endif  // TAVOLIN_CONVERSATION_VISITS_H_
