// Copyright Tavolin developers.
//
// Corvane: the chat engine. A page creates one object per request (through
// CreateObject("Tavolin.Corvane")), sets ConstStr (the state prefix) and,
// where a method asks for it, FilterStr, MyName or room_id, calls ONE method
// with the host objects and writes the text it returns into the response.
//
// The object keeps no chat state between requests: the live chat is in the
// Application, long-lived data in the database named by the application value
// ConstStr + "_connstr". Members carry values between the methods called on
// one object within one request.
//
// Arguments are Variants passed by reference, as the pages pass them; some
// methods write results back into them (each method says so). Optional
// parameters are pointers: nullptr means omitted, which differs from "".
//
// Errors: no method traps errors. A failure ends the method with a CallError;
// application-state writes made before it stay made.
//
// Thread safety: one object belongs to one request on one thread. Objects of
// concurrent requests share only the Application (and the database); every
// read-change-write of a shared value is made under the application lock.

#ifndef TAVOLIN_CORVANE_H_
#define TAVOLIN_CORVANE_H_

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tavolin/application.h"
#include "tavolin/database.h"
#include "tavolin/env.h"
#include "tavolin/random.h"
#include "tavolin/request.h"
#include "tavolin/session.h"
#include "tavolin/variant.h"

namespace tavolin {

class LiveRecord;
class LiveState;
struct Post;

class Corvane {
 public:
  // `env` is the clock of the object and its database; it must outlive it.
  explicit Corvane(Env* env = Env::Default());
  ~Corvane();
  Corvane(const Corvane&) = delete;
  Corvane& operator=(const Corvane&) = delete;

  // ---- Properties ------------------------------------------------------
  // Plain get and set; the setters store the value's text unchanged, except
  // room_id, which converts to a 32-bit integer (and may throw CallError).
  Variant MyName() const { return Variant(my_name_); }
  void SetMyName(const Variant& value) { my_name_ = value.ToText(); }
  Variant ConstStr() const { return Variant(const_str_); }
  void SetConstStr(const Variant& value) { const_str_ = value.ToText(); }
  Variant room_id() const { return Variant(room_id_); }
  void Setroom_id(const Variant& value) { room_id_ = value.ToLong(); }
  Variant FilterStr() const { return Variant(filter_str_); }
  void SetFilterStr(const Variant& value) { filter_str_ = value.ToText(); }

  // ---- Methods, in interface order -------------------------------------
  // Conversation (conversation/).
  Variant refresh(Application& TheApplication, Session& TheSession, Request& TheRequest);
  // Before a poll that may wait: when refresh would now deliver nothing new
  // (the visitor is in the chat, not idle too long, and has no line newer
  // than the request's sayid that it may see), calls `wait` with the
  // visitor's name and room while still holding the application lock, so
  // that no line written afterwards goes unannounced to it. Returns whether
  // `wait` ran and took the poll; false: refresh must answer now. Changes
  // nothing in the live chat. Takes the application lock.
  using PollWait = std::function<bool(const std::string& name, int32_t room)>;
  bool WaitForNews(Application& TheApplication, Session& TheSession, Request& TheRequest,
                   const PollWait& wait);
  Variant getLevel(Session& TheSession, Variant& User_List, Variant& room_list);
  // getLevel over the application's own live chat, without rendering its
  // lists: the visitor's level, 0 when the session is not in the chat; fills
  // MyName and room_id the same way. Takes the application lock.
  int16_t VisitorLevel(Application& TheApplication, Session& TheSession);
  // Text (text/).
  Variant zhgl(Variant& mess);  // writes the filtered text into mess
  Variant trDb(Variant& mess);  // writes the text before line breaks into mess
  Variant trHtml(Variant& mess);
  Variant GetTimeStr(Variant* TimeStr = nullptr);
  Variant GetDateStr(Variant* DateStr = nullptr);
  Variant AllDateStr(Variant* ADstr = nullptr);
  // Conversation: appends a line to the caller's copies `says` and `current`.
  void Newsay(Variant& who, Variant& ToWho, Variant& secret, Variant& room_id, Variant& mess,
              Variant& c1, Variant& c2, Variant& act, Variant& says, Variant& current);
  // Entry (entry/).
  Variant Chuser(Variant& u, Variant& usernameenable);
  Variant trpass(Variant& preString);
  // Text: writes the escaped, untrimmed text into mess.
  Variant TrStr(Variant& mess, Variant& enablesaysfilter);
  Variant subsay(Application& TheApplication, Session& TheSession, Request& TheRequest);
  // Component: loads configuration and builds the live state; returns Empty.
  Variant InitGlobal(Application& TheApplication);
  Variant len_ch(Variant& u);
  Variant LoginCheck(Application& TheApplication, Session& TheSession, Request& TheRequest);
  // Rooms (rooms/).
  Variant ChatFrame(Application& TheApplication, Session& TheSession, Request& TheRequest);
  Variant InitSayList(Application& TheApplication, Session& TheSession);
  // List records (component/).
  Variant DelList(Variant& ListStr, Variant& IndexStr);
  Variant GetListValue(Variant& ListStr, Variant& IndexStr, Variant& IndexNum);
  Variant SetListValue(Variant& ListStr, Variant& IndexStr, Variant& IndexNum1, Variant& Value1,
                       Variant& SetMod1, Variant* IndexNum2 = nullptr, Variant* Value2 = nullptr,
                       Variant* SetMod2 = nullptr);
  Variant ChangeRoom(Application& TheApplication, Session& TheSession, Request& TheRequest);
  // Housekeeping (housekeeping/).
  Variant RoomUpdate(Application& TheApplication, Variant& UMod);
  Variant UserClear(Application& TheApplication, Variant& UMod);
  void preglobal_1(Application& TheApplication);
  Variant GetVer();

 private:
  // The application-state key of `suffix` under this object's prefix.
  std::string Key(std::string_view suffix) const { return const_str_ + std::string(suffix); }
  // The object's database connection, opened from "_connstr" on first use
  // and reused by later calls on the same object.
  Connection& Database(Application& application);

  // The live chat of this object's prefix (component/live_state.h), looked
  // up once per object.
  LiveState& Live(Application& application);
  // The visitor check over the live chat: fills my_name_, visitor_ and
  // room_id_ as getLevel does and returns the visitor's level (0: not in the
  // chat). REQUIRES: the application lock is held.
  int16_t CheckVisitor(Session& session, const LiveState& live);
  // The visitor's record, as the visitor check found it and the request
  // changed it, written back over the record in the user list.
  // REQUIRES: the application lock is held; the visitor check found the visitor.
  void StoreVisitor(Application& application);
  // True when the visitor has been idle longer than the configured minutes.
  // REQUIRES: the visitor check found the visitor.
  bool IdleTooLong(Application& application);
  // The branches of a post that are commands or talk to the room robot. They
  // use the database; TitlePath takes the lock itself to write the title.
  // REQUIRES: the application lock is NOT held; the visitor check found the
  // visitor.
  void TitlePath(Application& application, Post& post);
  void ActionPath(Application& application, Post& post);
  void RobotReply(Application& application, Post& post);

  // ---- Private helpers of the subsystems, one block each ----------------
  // Entry (entry/): helpers of LoginCheck.
  // What the phases of one login hand on to each other (entry/login.h).
  struct Login;
  // Address lock that holds for the visitor's address (entry/account_check.cc).
  struct AddressLock;
  // The proxy, name and character rules, in their order: the first refusal,
  // or nothing. Fills the request's values into `login` and sets FilterStr.
  std::optional<std::string> AdmissionRefusal(Application& application, Request& request,
                                              Login& login);
  // The refusal when the chat already holds more than the maximum people.
  std::optional<std::string> CapacityRefusal(Application& application, const Login& login);
  // Sets room_id_ to the room the visitor asked for (or the first room) and
  // applies that room's entry rules: the refusal, or nothing.
  std::optional<std::string> ChooseRoom(Application& application, Request& request,
                                        const Login& login);
  // The account check of a known name or the registration of a new one:
  // the refusal, or nothing with `login` filled for the entry.
  std::optional<std::string> CheckAccount(Application& application, Request& request, Login& login);
  // REQUIRES: `user` stands on the row of the visitor's name.
  std::optional<std::string> ExistingUserRefusal(const RecordSet& user, const Login& login,
                                                 const AddressLock& lock);
  // REQUIRES: `user` stands on the row of the visitor's name and
  // ExistingUserRefusal found nothing.
  void AdmitExistingUser(Application& application, const RecordSet& user, Login& login);
  std::optional<std::string> RegisterNewUser(Application& application, Request& request,
                                             const AddressLock& lock, int32_t new_users,
                                             Login& login);
  // Calls, guestbook messages, friend requests and friends online waiting for
  // `name`, as one notice text ("" when there is nothing). `last_out` is the
  // user's out_time before this login.
  std::string LoginNotices(Application& application, const std::string& name,
                           const Variant& last_out, const std::string& friends);
  // Puts the admitted visitor into the live chat: user record, room
  // occupants, session keys and the enter and notice lines, in one locked
  // sequence. REQUIRES: the application lock is not held.
  void EnterChat(Application& application, Session& session, const Login& login);

  // Rooms (rooms/): helpers of ChatFrame, InitSayList, ChangeRoom.

  // Housekeeping (housekeeping/): helpers of UserClear and RoomUpdate.
  friend class HousekeepingTestPeer;
  // Leaving by the close page runs the visitor check (conversation/visits.h).
  friend bool EndVisit(Corvane& object, Application& application, Session& session);
  // Counts a login that got past the early refusals: seeds the clock's
  // random generator from the clock, adds one to the running total and to the
  // hour table, and on the first visit of a new hour stores both in sysparam,
  // running DailyCleanup first when that hour is 14 (housekeeping/visit_counter.cc).
  // REQUIRES: the application lock is not held; `now` is the login's date-time.
  void TallyVisit(Application& application, const DateTime& now);
  // Deletes old calls, friend requests, audit records and guestbook entries,
  // then, where configured, clears stale users and keeps and expires rooms
  // (housekeeping/daily_cleanup.cc). REQUIRES: the application lock is not held.
  void DailyCleanup(Application& application, const DateTime& now);

  // Private operations.
  Variant GetNewSays(const Variant& says, const Variant& current, int32_t sayid);
  // The lines GetNewSays delivers, oldest first: say id and ready-made text,
  // the texts shared with the ring, so that JoinSays can write them out after
  // the application lock is let go.
  std::vector<std::pair<Variant, Variant>> NewSays(const Variant& says, const Variant& current,
                                                   int32_t sayid);
  // The delivery text of `lines`, as GetNewSays returns it.
  static std::string JoinSays(const std::vector<std::pair<Variant, Variant>>& lines);
  void LoadRoomList(Application& TheApplication);
  Variant ClearStaleUsers(Application& TheApplication, Variant& UMod);
  Variant KeepPopularRooms(Application& TheApplication, Variant& UMod);
  Variant ExpireRooms(Application& TheApplication, Variant& UMod);

  Env* const env_;

  std::string my_name_;
  std::string const_str_;
  int32_t room_id_ = 0;
  std::string filter_str_;

  // The current visitor's user record; set by the visitor check.
  std::unique_ptr<LiveRecord> visitor_;
  std::shared_ptr<LiveState> live_;
  std::string live_prefix_;  // the prefix live_ was looked up under
  std::unique_ptr<Connection> database_;
};

// The host objects a method call by name may pass on.
struct HostObjects {
  Application* application = nullptr;
  Session* session = nullptr;
  Request* request = nullptr;
};

// Calls the method `name` (ASCII case-insensitive) on `object`. `args` are the
// method's variant parameters in order, passed by reference (the method may
// write into them); trailing optional parameters may be left out. Throws
// CallError: kUnknownName for no such method, kArgumentCount for too few or
// too many arguments, kInvalidProcedureCall when a host object it takes is
// missing, or whatever the method throws. Procedures return Empty.
Variant CallByName(Corvane& object, std::string_view name, std::vector<Variant>& args,
                   const HostObjects& host = {});

// Creates an object by its programmatic identifier; "Tavolin.Corvane" is the
// one there is (ASCII case-insensitive). Throws CallError (kUnknownName)
// for any other.
std::unique_ptr<Corvane> CreateObject(std::string_view prog_id, Env* env = Env::Default());

}  // namespace tavolin

#endif  // TAVOLIN_CORVANE_H_
