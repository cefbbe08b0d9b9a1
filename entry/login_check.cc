// Copyright Tavolin developers.
//
// The login: one call checks the visitor against the admission, room and
// account rules in a fixed order, so that the first failing rule decides the
// message the visitor sees, then enters the visitor into the chat. The result
// is the empty text for a visitor who is now inside, or the refusal.

#include <cstdint>
#include <optional>
#include <string>

#include "entry/login.h"
#include "entry/login_throttle.h"
#include "tavolin/corvane.h"
#include "text/strings.h"

namespace tavolin {

Variant Corvane::LoginCheck(Application& TheApplication, Session& TheSession, Request& TheRequest) {
  Login login;
  if (auto refusal = AdmissionRefusal(TheApplication, TheRequest, login)) {
    return Variant(*refusal);
  }
  // A name or address held back for wrong passwords costs no further work.
  const int64_t now = env_->Now().SecondsSinceEpoch();
  if (auto refusal = GuessingRefusal(TheApplication, login.lower_name, login.ip, now)) {
    return Variant(*refusal);
  }
  // The connection opens here, so a bad connection string ends the call
  // before anything is counted.
  Database(TheApplication);
  if (auto refusal = CapacityRefusal(TheApplication, login)) return Variant(*refusal);

  // Stored passwords were made from the first 15 characters typed.
  Variant typed(std::string(text::LeftChars(login.typed_password, 15)));
  login.scrambled_password = trpass(typed).ToText();

  // Every login that got this far is counted, also when a later rule refuses it.
  TallyVisit(TheApplication, env_->Now());

  if (auto refusal = ChooseRoom(TheApplication, TheRequest, login)) return Variant(*refusal);
  if (auto refusal = CheckAccount(TheApplication, TheRequest, login)) {
    if (*refusal == kWrongPasswordMessage) {
      CountWrongPassword(TheApplication, login.lower_name, login.ip, now);
    }
    return Variant(*refusal);
  }
  ClearWrongPasswords(TheApplication, login.lower_name);
  EnterChat(TheApplication, TheSession, login);
  return Variant("");
}

}  // namespace tavolin
