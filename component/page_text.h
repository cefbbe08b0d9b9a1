// Copyright Tavolin developers.
//
// Texts that the engine's pages share, byte for byte as browsers expect them.

#ifndef TAVOLIN_COMPONENT_PAGE_TEXT_H_
#define TAVOLIN_COMPONENT_PAGE_TEXT_H_

#include <string_view>

namespace tavolin::page {

// What every answer of the polling kind begins with.
inline constexpr std::string_view kPollPrefix =
    "<meta HTTP-EQUIV='Pragma' CONTENT='no-cache'><META content='text/html;charset=gb2312' "
    "http-equiv=content-type>";
// Reloads the frame to the poll page after six seconds, then opens a script.
inline constexpr std::string_view kReloadAndScript =
    "<meta http-equiv=refresh content='6;url=refresh.asp'><script>";
// Sends the whole window to the error page: the visitor is not in the chat.
inline constexpr std::string_view kShowError =
    "<script Language=JavaScript>top.location.href = 'showerr.asp';</script>";
// Ends the visit: idle too long.
inline constexpr std::string_view kClose =
    "<script Language=JavaScript>top.location.href = 'close.asp';</script>";
// The empty single-quoted string that closes a delivery list.
inline constexpr std::string_view kNothingToDeliver = "''";
// The addressee of a line to everybody.
inline constexpr std::string_view kEverybody = "大家";

}  // namespace tavolin::page

#endif  // TAVOLIN_COMPONENT_PAGE_TEXT_H_
