// Copyright Tavolin developers.
//
// Checks with node that the scripts of pages parse, and those inside the chat
// lines they hand to parent.addsay; the pages wait in a temporary folder.

#ifndef TAVOLIN_TESTING_PAGE_SCRIPTS_H_
#define TAVOLIN_TESTING_PAGE_SCRIPTS_H_

#include <filesystem>
#include <string>
#include <string_view>

namespace tavolin::testing {

class PageScriptChecker {
 public:
  PageScriptChecker();
  ~PageScriptChecker();
  PageScriptChecker(const PageScriptChecker&) = delete;
  PageScriptChecker& operator=(const PageScriptChecker&) = delete;

  // Keeps the page, named after `label` in the report.
  void AddPage(std::string_view label, std::string_view page);
  struct Report {
    std::string failures;  // each script that does not parse, or pages unread; "" if none
    int scripts = 0;       // the script elements of the pages
    int carried = 0;       // the scripts inside chat lines
  };
  Report Check() const;

 private:
  std::filesystem::path folder_;
  int kept_ = 0;
};

}  // namespace tavolin::testing

#endif  // TAVOLIN_TESTING_PAGE_SCRIPTS_H_
