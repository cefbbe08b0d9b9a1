// Copyright Tavolin developers.
//
// The site's static files (the browser client and its frames), read from the
// site folder once at start-up and served from memory.
//
// Thread safety: immutable after construction; Find may be called from any
// thread.

#ifndef TAVOLIN_SERVER_STATIC_FILES_H_
#define TAVOLIN_SERVER_STATIC_FILES_H_

#include <map>
#include <string>
#include <string_view>

#include "server/http_message.h"

namespace tavolin::server {

class StaticFiles {
 public:
  // Loads the regular files directly in `folder` (not below it). Text files
  // (.htm, .html, .js, .css, .txt) are written in UTF-8 and stored as GBK,
  // the charset of every page. An empty or missing folder gives no files.
  explicit StaticFiles(const std::string& folder);

  // The response for `path` ("/newchat.js"), or nullptr when no such file.
  const HttpResponse* Find(std::string_view path) const;
  bool empty() const { return files_.empty(); }
  // The UTF-8 text of a loaded text file, "" when there is none.
  std::string Utf8Text(std::string_view name) const;

 private:
  std::map<std::string, HttpResponse, std::less<>> files_;
  std::map<std::string, std::string, std::less<>> utf8_;
};

// The site folder to serve when none is given: "site" beside the binary, or
// beside its parent folder (a build folder inside the checkout), or in the
// working folder. "" when there is none.
std::string FindSiteFolder(const std::string& binary_path);

}  // namespace tavolin::server

#endif  // TAVOLIN_SERVER_STATIC_FILES_H_
