// Copyright Tavolin developers.
//
// The activity page: the visits per hour of the day and the totals as a
// chart, the console's and the housekeeping's audit rows newest first, 50 a
// page, and the way to the housekeeping reports.

#include <array>
#include <optional>
#include <string>

#include "component/column_text.h"
#include "console/console_html.h"
#include "console/console_input.h"
#include "console/console_pages.h"
#include "console/hour_chart.h"
#include "text/html_text.h"
#include "text/strings.h"

namespace tavolin::console {

namespace {

constexpr int kRowsPerPage = 50;

// What each kind of audit row records.
std::string_view KindName(std::string_view stype) {
  static constexpr std::pair<std::string_view, std::string_view> kKinds[] = {
      {"16", "房间过期"}, {"17", "房间保留"}, {"57", "用户清理"}, {"80", "房间"},   {"81", "用户"},
      {"82", "地址封锁"}, {"83", "请出"},     {"84", "设置"},     {"85", "机器人"}, {"86", "动作"}};
  for (const auto& [kind, name] : kKinds) {
    if (kind == stype) return name;
  }
  return stype;
}

// The hour table's 24 counts and its last hour (-1 when it cannot be read).
struct HourCounts {
  std::array<int64_t, 24> visits{};
  int last_hour = -1;
};

HourCounts ReadHourTable(const std::string& table) {
  HourCounts counts;
  const std::vector<std::string_view> elements = text::Split(table, ",");
  for (size_t hour = 0; hour < 24 && hour < elements.size(); ++hour) {
    counts.visits[hour] = WholeNumber(elements[hour], 0, INT32_MAX).value_or(0);
  }
  if (elements.size() > 24) counts.last_hour = WholeNumber(elements[24], 0, 23).value_or(-1);
  return counts;
}

std::string Totals(ConsoleVisit& visit, const HourCounts& counts) {
  int64_t in_table = 0;
  for (int64_t count : counts.visits) in_table += count;
  Connection& db = visit.context.db();
  const auto count_of = [&](const char* table) {
    return ColumnText(*db.Execute("SELECT count(*) AS n FROM " + std::string(table)), "n");
  };
  return "<table class='list' id='totals'>" +
         TextRow({"累计访问", visit.context.Setting("_visitor").ToText()}) +
         TextRow({"表中 24 小时的访问", std::to_string(in_table)}) +
         TextRow({"注册用户", count_of("user")}) + TextRow({"房间", count_of("room")}) + "</table>";
}

std::string AuditLog(ConsoleVisit& visit, int page) {
  Connection& db = visit.context.db();
  const int64_t rows = db.Execute("SELECT count(*) AS n FROM record")->Field("n").ToDouble();
  const int64_t pages = std::max<int64_t>(1, (rows + kRowsPerPage - 1) / kRowsPerPage);
  std::string table =
      "<div class='scroll'><table class='list' id='audit'><tr><th>时间</th><th>类别</th>"
      "<th>记录</th></tr>";
  for (auto row = db.Execute(
           "SELECT * FROM record ORDER BY ID DESC LIMIT ? OFFSET ?",
           {Variant(kRowsPerPage), Variant(static_cast<double>(page - 1) * kRowsPerPage)});
       !row->eof(); row->MoveNext()) {
    table += TextRow({ColumnText(*row, "occ_time"), KindName(ColumnText(*row, "stype")),
                      ColumnText(*row, "occ_env")});
  }
  std::string links =
      "<p id='pages'>第 " + std::to_string(page) + " 页，共 " + std::to_string(pages) + " 页";
  if (page > 1) {
    links += " <a href='/admin/activity.asp?page=" + std::to_string(page - 1) + "'>较新</a>";
  }
  if (page < pages) {
    links += " <a href='/admin/activity.asp?page=" + std::to_string(page + 1) + "'>较旧</a>";
  }
  return table + "</table></div>" + links + "</p>";
}

}  // namespace

std::string ActivityPage(ConsoleVisit& visit, const std::optional<Outcome>& outcome) {
  const std::string& asked = visit.Value("page");
  const std::optional<int32_t> page =
      asked.empty() ? 1 : WholeNumber(asked, 1, INT32_MAX / kRowsPerPage);
  const HourCounts counts = ReadHourTable(visit.context.Setting("_hour24").ToText());
  return OutcomeHtml(outcome) + "<h2>每小时的访问</h2>" +
         HourChart(counts.visits, counts.last_hour) + Totals(visit, counts) + "<h2>管理记录</h2>" +
         (page ? "" : "<p class='message'>页码要写成从 1 起的整数，下面是第 1 页。</p>") +
         AuditLog(visit, page.value_or(1)) +
         "<p>整理报告：<a href='/admin/userclear.asp'>用户清理</a> <a "
         "href='/admin/roomupdate.asp'>房间整理</a></p>";
}

}  // namespace tavolin::console
