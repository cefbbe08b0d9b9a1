// Copyright Tavolin developers.
//
// The escapings of visitor text and the bad-word filter. Input: the filter's
// word list on the first line, then the text.

#include <string>

#include "fuzz/fuzz_input.h"
#include "tavolin/corvane.h"
#include "tavolin/env.h"
#include "text/html_text.h"

namespace tavolin {

namespace {

bool HasAny(std::string_view text, std::string_view characters) {
  return text.find_first_of(characters) != std::string_view::npos;
}

// True when every quote follows an odd run of backslashes, so none of them
// ends a script string.
bool QuotesEscaped(std::string_view text) {
  size_t backslashes = 0;
  for (const char c : text) {
    if ((c == '\'' || c == '"') && backslashes % 2 == 0) return false;
    backslashes = c == '\\' ? backslashes + 1 : 0;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static ManualClockEnv env(DateTime::FromCivil(2003, 4, 9, 9, 5, 7));
  static Corvane object(&env);
  fuzz::FuzzInput input(data, size);
  object.SetFilterStr(Variant(std::string(input.Next())));
  const std::string text(input.Rest());

  const std::string html = text::HtmlEscape(text);
  fuzz::Check(!HasAny(html, "<>\"'"), "HTML text holds no markup or quote");
  const std::string script = text::ScriptStringEscape(text);
  fuzz::Check(QuotesEscaped(script), "script string quotes are escaped");
  fuzz::Check(script.find("</") == std::string::npos, "a script string cannot end the element");
  fuzz::Check(!HasAny(script, "\r\n"), "a script string stays on one line");

  Variant mess(text);
  object.zhgl(mess);
  mess = Variant(text);
  fuzz::Check(!HasAny(object.trHtml(mess).ToText(), "<>"), "trHtml leaves no markup");
  object.trDb(mess);
  fuzz::Check(!HasAny(mess.ToText(), "<>\"'\\\n"), "trDb leaves no markup, quote or backslash");
  mess = Variant(text);
  Variant on("1");
  const std::string said = object.TrStr(mess, on).ToText();
  fuzz::Check(QuotesEscaped(said), "TrStr escapes quotes");
  fuzz::Check(!HasAny(said, "\r\n"), "TrStr leaves one line");
  return 0;
}

}  // namespace tavolin
