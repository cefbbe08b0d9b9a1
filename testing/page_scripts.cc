// Copyright Tavolin developers.

#include "testing/page_scripts.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <memory>

namespace tavolin::testing {
namespace {

// Compiles the scripts of each page in the folder, runs those calling addsay
// against stubs of the frames and compiles the scripts inside the lines they
// hand over. Prints each failure, then "checked <pages> <scripts> <carried>".
constexpr const char* kChecker = R"js(
const fs = require('fs'), path = require('path'), elements = /<script[^>]*>([\s\S]*?)<\/script>/gi;
let pages = 0, scripts = 0, carried = 0, lines = [];
const stub = new Proxy(function () {}, {
  get: (t, k) => k === 'addsay' ? (...a) => lines.push(...a) : typeof k === 'symbol' ? undefined : stub,
  apply: () => stub, set: () => true });
function check(src, where, run) {
  try { const f = new Function('parent', 'top', 'window', 'location', 'document', src); if (run) f(stub, stub, stub, stub, stub); }
  catch (e) { console.log('FAILED ' + where + ': ' + e + '\n' + src + '\n'); }
}
for (const file of fs.readdirSync(process.argv[2]).sort()) {
  ++pages; lines = [];
  for (const [, src] of fs.readFileSync(path.join(process.argv[2], file), 'utf8').matchAll(elements)) { check(src, file, /addsay\(/.test(src)); ++scripts; }
  for (const line of lines.filter(a => typeof a === 'string')) {
    for (const [, src] of line.matchAll(elements)) { check(src, file + ' line ' + line, false); ++carried; }
  }
}
console.log('checked ' + pages + ' ' + scripts + ' ' + carried);
)js";

}  // namespace

PageScriptChecker::PageScriptChecker()
    : folder_(std::filesystem::temp_directory_path() /
              ("tavolin-scripts-" + std::to_string(::getpid()))) {
  std::filesystem::create_directories(folder_ / "pages");
  std::ofstream(folder_ / "checker.cjs") << kChecker;
}

PageScriptChecker::~PageScriptChecker() { std::filesystem::remove_all(folder_); }

void PageScriptChecker::AddPage(std::string_view label, std::string_view page) {
  std::ofstream(folder_ / "pages" / (std::to_string(100000 + kept_++) + std::string(label)))
      << page;
}

PageScriptChecker::Report PageScriptChecker::Check() const {
  const std::string command =
      "node " + (folder_ / "checker.cjs").string() + " " + (folder_ / "pages").string() + " 2>&1";
  std::unique_ptr<FILE, int (*)(FILE*)> node(popen(command.c_str(), "r"), pclose);
  std::string output;
  for (char buffer[4096]; node && fgets(buffer, sizeof(buffer), node.get());) output += buffer;
  Report report;
  int pages = -1;
  const size_t counts = output.rfind("checked ");
  std::sscanf(output.c_str() + std::min(counts, output.size()), "checked %d %d %d", &pages,
              &report.scripts, &report.carried);
  // What comes before the counts are the failures; pages node missed are one.
  report.failures = pages == kept_ ? output.substr(0, counts) : "node missed pages: " + output;
  return report;
}

}  // namespace tavolin::testing
