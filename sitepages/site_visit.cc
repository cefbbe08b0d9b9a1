// Copyright Tavolin developers.

#include "sitepages/site_visit.h"

#include "component/schema.h"
#include "sitepages/input_limits.h"
#include "tavolin/connection_pool.h"
#include "tavolin/error.h"
#include "text/html_text.h"
#include "text/strings.h"

namespace tavolin {

SiteVisit::SiteVisit(const SiteHost& host)
    : host_(host), object_(CreateObject("Tavolin.Corvane", host.env)) {
  object_->SetConstStr(Variant(host.prefix));
  in_chat_ = object_->VisitorLevel(host.application, host.session) != 0;
  if (in_chat_) name_ = object_->MyName().ToText();
}

bool SiteVisit::posted() const {
  return host_.request.ServerVariable("REQUEST_METHOD").ToText() == "POST";
}

std::string SiteVisit::Form(std::string_view field) const {
  return host_.request.Form(field).ToText();
}

std::string SiteVisit::Item(std::string_view field) const {
  return host_.request.Item(field).ToText();
}

std::string SiteVisit::PostForm(std::string_view action) const {
  return tavolin::PostForm("action='" + std::string(action) + "'", host_.token);
}

std::string SiteVisit::AddresseeInput() const {
  return "<input name='towho' maxlength='" + std::to_string(kMaxNameChars) + "' value='" +
         text::HtmlEscape(Item("towho")) + "'>";
}

bool SiteVisit::Allowed(const RateKind& kind) {
  return AllowedNow(host_.application, host_.prefix, kind, name_, Now());
}

int32_t SiteVisit::MostAllowed(const RateKind& kind) const {
  return tavolin::MostAllowed(host_.application, host_.prefix, kind);
}

std::optional<Outcome> SiteVisit::TooFast(const RateKind& kind) {
  if (Allowed(kind)) return std::nullopt;
  return Outcome::Refused("你操作太快了，请稍后再试。");
}

Connection& SiteVisit::db() {
  if (!db_) {
    db_ = ConnectionPoolOf(host_.application)
              ->Open(host_.application.Get(std::string(host_.prefix) + "_connstr").ToText(),
                     host_.env, ChatSchemaScript());
  }
  return *db_;
}

std::unique_ptr<RecordSet> SiteVisit::UserRow() {
  auto row = db().Execute("select * from user where username=?", {Variant(name_)});
  if (row->eof()) throw CallError(ErrorCode::kDatabase, "no row in table user for '" + name_ + "'");
  return row;
}

}  // namespace tavolin
