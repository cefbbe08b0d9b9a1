// Copyright Tavolin developers.

#include "server/static_files.h"

#include <filesystem>
#include <fstream>
#include <sstream>

#include "text/gbk.h"

namespace tavolin::server {

namespace fs = std::filesystem;

namespace {

struct Kind {
  const char* extension;
  const char* content_type;
  bool text;
};

constexpr Kind kKinds[] = {
    {".htm", "text/html; charset=gb2312", true},
    {".html", "text/html; charset=gb2312", true},
    {".js", "application/javascript; charset=gb2312", true},
    {".css", "text/css; charset=gb2312", true},
    {".txt", "text/plain; charset=gb2312", true},
    {".png", "image/png", false},
    {".gif", "image/gif", false},
    {".jpg", "image/jpeg", false},
    {".ico", "image/x-icon", false},
    {".svg", "image/svg+xml", false},
};

}  // namespace

StaticFiles::StaticFiles(const std::string& folder) {
  std::error_code ec;
  if (folder.empty() || !fs::is_directory(folder, ec)) return;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    if (!entry.is_regular_file()) continue;
    const std::string extension = entry.path().extension().string();
    for (const Kind& kind : kKinds) {
      if (extension != kind.extension) continue;
      std::ifstream in(entry.path(), std::ios::binary);
      std::stringstream content;
      content << in.rdbuf();
      const std::string name = "/" + entry.path().filename().string();
      HttpResponse response;
      response.content_type = kind.content_type;
      if (kind.text) {
        utf8_[name] = content.str();
        response.body = text::Utf8ToGbk(content.str());
      } else {
        response.body = content.str();
      }
      response.headers.emplace_back("Cache-Control", "no-cache");
      files_[name] = std::move(response);
    }
  }
}

const HttpResponse* StaticFiles::Find(std::string_view path) const {
  const auto found = files_.find(path);
  return found == files_.end() ? nullptr : &found->second;
}

std::string StaticFiles::Utf8Text(std::string_view name) const {
  const auto found = utf8_.find(name);
  return found == utf8_.end() ? std::string() : found->second;
}

std::string FindSiteFolder(const std::string& binary_path) {
  std::error_code ec;
  const fs::path binary = fs::weakly_canonical(fs::path(binary_path), ec);
  for (const fs::path& candidate :
       {binary.parent_path() / "site", binary.parent_path().parent_path() / "site",
        fs::current_path(ec) / "site"}) {
    if (fs::is_regular_file(candidate / "newchat.js", ec)) return candidate.string();
  }
  return "";
}

}  // namespace tavolin::server
