// Copyright Tavolin developers.

#include "testing/page_scripts.h"

#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <memory>

#include "text/strings.h"

namespace tavolin::testing {

namespace {

// Compiles every file of the folder; runs each one that calls addsay with
// stubs for the frames and compiles the scripts inside the lines it hands
// over. Prints each failure with its script, then
// "checked <scripts> <scripts in lines>".
constexpr const char* kChecker = R"js(
const fs = require('fs'), path = require('path');
let scripts = 0, inner = 0, lines = [];
const stub = new Proxy(function () {}, {
  get: (t, k) => k === 'addsay' ? (...a) => lines.push(...a) : typeof k === 'symbol' ? undefined : stub,
  apply: () => stub, set: () => true });
function check(src, where, run) {
  try {
    const f = new Function('parent', 'top', 'window', 'location', 'document', src);
    if (run) f(stub, stub, stub, stub, stub);
  } catch (e) { console.log('FAILED ' + where + ': ' + e + '\n' + src + '\n'); }
}
for (const file of fs.readdirSync(process.argv[2]).sort()) {
  const src = fs.readFileSync(path.join(process.argv[2], file), 'utf8');
  lines = [];
  check(src, file, /addsay\(/.test(src)); ++scripts;
  for (const line of lines.filter(a => typeof a === 'string')) {
    for (const m of line.matchAll(/<script[^>]*>([\s\S]*?)<\/script>/gi)) {
      check(m[1], file + ' line ' + line, false); ++inner;
    }
  }
}
console.log('checked ' + scripts + ' ' + inner);
)js";

}  // namespace

std::vector<std::string> ScriptElements(std::string_view page) {
  std::vector<std::string> scripts;
  const std::string lower = text::AsciiLower(page);
  for (size_t open = lower.find("<script"); open != std::string::npos;
       open = lower.find("<script", open + 1)) {
    const size_t start = lower.find('>', open);
    const size_t end = lower.find("</script>", start);
    if (start == std::string::npos || end == std::string::npos) break;
    scripts.emplace_back(page.substr(start + 1, end - start - 1));
  }
  return scripts;
}

PageScriptChecker::PageScriptChecker()
    : folder_(std::filesystem::temp_directory_path() /
              ("tavolin-scripts-" + std::to_string(::getpid()))) {
  std::filesystem::create_directories(folder_ / "scripts");
  std::ofstream(folder_ / "checker.cjs") << kChecker;
}

PageScriptChecker::~PageScriptChecker() { std::filesystem::remove_all(folder_); }

void PageScriptChecker::AddPage(std::string_view label, std::string_view page) {
  for (const std::string& script : ScriptElements(page)) {
    std::ofstream(folder_ / "scripts" / (std::to_string(100000 + kept_++) + std::string(label)))
        << script;
  }
}

PageScriptChecker::Report PageScriptChecker::Check() const {
  const std::string command =
      "node " + (folder_ / "checker.cjs").string() + " " + (folder_ / "scripts").string() + " 2>&1";
  std::unique_ptr<FILE, int (*)(FILE*)> node(popen(command.c_str(), "r"), pclose);
  std::string output;
  for (char buffer[4096]; node && fgets(buffer, sizeof(buffer), node.get());) output += buffer;
  Report report;
  const size_t counts = output.rfind("checked ");
  if (counts == std::string::npos) {
    report.failures = "node gave no count: " + output;
    return report;
  }
  std::sscanf(output.c_str() + counts, "checked %d %d", &report.scripts, &report.carried);
  report.failures = output.substr(0, counts);
  return report;
}

}  // namespace tavolin::testing
