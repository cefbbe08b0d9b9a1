// Copyright Tavolin developers.
//
// The pieces the site pages share: the links between them, how the outcome
// of a posted form is shown, and stored text written back as HTML.

#ifndef TAVOLIN_SITEPAGES_SITE_HTML_H_
#define TAVOLIN_SITEPAGES_SITE_HTML_H_

#include <optional>
#include <string>
#include <string_view>

namespace tavolin {

// What a posted form came to: done, or refused with the reason.
struct Outcome {
  bool done = false;
  std::string message;  // plain text

  static Outcome Done(std::string message) { return {true, std::move(message)}; }
  static Outcome Refused(std::string message) { return {false, std::move(message)}; }
};

// The opening tag of a form posted with `attributes` (its action, say) and
// the hidden field that carries the anti-forgery token.
std::string PostForm(std::string_view attributes, std::string_view token);
// The page's heading and the links to the other site pages.
std::string PageHead(std::string_view heading);
// The outcome as a paragraph: refusals in the message style, the rest as a
// note; "" for no outcome.
std::string OutcomeHtml(const std::optional<Outcome>& outcome);
// Stored text (a message, a call) as HTML: escaped, line breaks kept.
std::string MultilineHtml(std::string_view text);

}  // namespace tavolin

#endif  // TAVOLIN_SITEPAGES_SITE_HTML_H_
