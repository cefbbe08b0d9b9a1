// Copyright Tavolin developers.
//
// Checks that the scripts pages emit parse, with node: the page's script
// elements, and the scripts that chat lines handed to parent.addsay carry
// inside them (found by running each script against stubs of the frames).
// The scripts are kept in a temporary folder, removed with the checker.

#ifndef TAVOLIN_TESTING_PAGE_SCRIPTS_H_
#define TAVOLIN_TESTING_PAGE_SCRIPTS_H_

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace tavolin::testing {

// The bodies of the script elements of an HTML page.
std::vector<std::string> ScriptElements(std::string_view page);

class PageScriptChecker {
 public:
  PageScriptChecker();
  ~PageScriptChecker();
  PageScriptChecker(const PageScriptChecker&) = delete;
  PageScriptChecker& operator=(const PageScriptChecker&) = delete;

  // Keeps the page's scripts, named after `label` in the report.
  void AddPage(std::string_view label, std::string_view page);

  struct Report {
    std::string failures;  // each script that does not parse, with its error; "" when none
    int scripts = -1;      // the scripts node read (-1 when node did not report)
    int carried = 0;       // the scripts found inside chat lines
  };
  Report Check() const;

  int kept() const { return kept_; }

 private:
  std::filesystem::path folder_;
  int kept_ = 0;
};

}  // namespace tavolin::testing

#endif  // TAVOLIN_TESTING_PAGE_SCRIPTS_H_
