// Copyright Tavolin developers.
//
// Commands a post can carry: making the text the room title, and actions.
// Both use the database, so they run while the application lock is free.

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "component/column_text.h"
#include "component/list_record.h"
#include "component/live_state.h"
#include "component/page_text.h"
#include "conversation/post.h"
#include "tavolin/corvane.h"
#include "tavolin/error.h"
#include "text/strings.h"

namespace tavolin {

namespace {

// The column of table action that holds the wording for `mode`. Only these
// fixed names ever reach the command text.
std::string_view WordingColumn(std::string_view mode) {
  for (std::string_view column : {"toall", "toself", "toother"}) {
    if (mode == column) return column;
  }
  throw CallError(ErrorCode::kInvalidProcedureCall,
                  "no action wording for the mode " + std::string(mode));
}

}  // namespace

void Corvane::TitlePath(Application& application, Post& post) {
  Variant cut(
      std::string(text::LeftChars(post.text, application.Get(Key("_titlelength")).ToLong())));
  const std::string title = trDb(cut).ToText() + "<font style=color:990099>(" + my_name_ + "," +
                            GetTimeStr().ToText() + ")</font>";
  {
    // The room list may have changed since the visitor check: the room's
    // record is found again and changed in place. A room deleted meanwhile
    // keeps no title.
    LiveState& live = Live(application);
    ApplicationLock lock(application);
    const std::string room_key = std::to_string(room_id_);
    if (live.HasRoom(room_key)) live.SetRoomField(room_key, room_field::kTitle, title);
  }
  Database(application)
      .Execute("UPDATE room SET room_title=? WHERE ID=?", {Variant(title), Variant(room_id_)});
  // Inside the browser's single-quoted script string the backslashes drop
  // out and leave a script element that shows the new title.
  post.text = "<\\script>parent.chftitle(\\'" + title + "\\')</\\script>";
  post.act = -5;
  post.to_who = page::kEverybody;
}

void Corvane::ActionPath(Application& application, Post& post) {
  post.act = -1;
  if (post.text.starts_with("//")) {
    // A free-form action; the marker "##" is left for the browser.
    post.text.erase(0, 2);
    if (!text::Contains(post.text, "##")) post.text.insert(0, "##");
    return;
  }

  const std::string command = post.text + " ";
  const std::vector<std::string_view> words = text::Split(command, " ");
  const std::string name(words[0].substr(1));
  const std::string_view target = text::TrimBlanks(words[1]);
  if (target == "all") {
    post.mode = "toall";
  } else if (target == "self") {
    post.mode = "toself";
  }
  const std::string_view column = WordingColumn(post.mode);
  auto rows = Database(application)
                  .Execute("select " + std::string(column) + " from action where act_name=?",
                           {Variant(name)});
  if (rows->eof()) {
    post.error = "【系统】没有动作「" + name + "」！";
    return;
  }
  Variant wording(ColumnText(*rows, column));
  post.text =
      TrStr(wording, post.filter_switch).ToText() + "<font color=990099>[/" + name + "]</font>";
}

}  // namespace tavolin
