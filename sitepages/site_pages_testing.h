// Copyright Tavolin developers.
//
// What the site pages' tests share: the chat served on a free port and
// browsers of visitors logged in through it.

#ifndef TAVOLIN_SITEPAGES_SITE_PAGES_TESTING_H_
#define TAVOLIN_SITEPAGES_SITE_PAGES_TESTING_H_

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tavolin/database.h"
#include "testing/http_test_client.h"
#include "testing/served_chat.h"

namespace tavolin {

class SitePagesTest : public ::testing::Test {
 protected:
  // The browser of `name`, logged in on first use (a new name registers with
  // the password "pw" + name).
  testing::HttpTestClient& Visitor(const std::string& name) {
    auto& client = visitors_[name];
    if (!client) {
      client = std::make_unique<testing::HttpTestClient>(chat_.port());
      const std::string entered = chat_.Login(*client, name).Utf8Body();
      EXPECT_NE(entered.find("chat.asp"), std::string::npos) << name << ": " << entered;
    }
    return *client;
  }
  // A posted form's page as UTF-8.
  std::string Post(const std::string& name, const std::string& page,
                   const std::map<std::string, std::string>& form) {
    return Visitor(name).Post(page, form).Utf8Body();
  }
  std::string Get(const std::string& name, const std::string& page) {
    return Visitor(name).Get(page).Utf8Body();
  }
  // A connection of the test's own, for looking at what the pages stored.
  Connection& db() {
    if (!db_) db_ = OpenConnection(chat_.database().connection_string(), &chat_.clock());
    return *db_;
  }
  // A visitor's request and a piece its answer must hold; a GET when there is
  // no form.
  struct Step {
    std::string who, target;
    std::map<std::string, std::string> form;
    std::string answer;
  };
  void ExpectAnswers(const std::vector<Step>& steps) {
    for (const Step& step : steps) {
      const std::string page =
          step.form.empty() ? Get(step.who, step.target) : Post(step.who, step.target, step.form);
      EXPECT_NE(page.find(step.answer), std::string::npos)
          << step.who << " " << step.target << " wants " << step.answer << " in:\n"
          << page;
    }
  }
  // The first row's column "v" of `query` on the chat's database, as text.
  std::string Value(const std::string& query) { return db().Execute(query)->Field("v").ToText(); }

  testing::ServedChat chat_;

 private:
  std::map<std::string, std::unique_ptr<testing::HttpTestClient>> visitors_;
  std::unique_ptr<Connection> db_;
};

}  // namespace tavolin

#endif  // TAVOLIN_SITEPAGES_SITE_PAGES_TESTING_H_
