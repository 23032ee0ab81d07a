#include <charconv>
#include <cstdio>

#include <qc/qc.h>

namespace qc {

std::string format_day_list(const DayList& list) {
  std::string text = "root\t" + list.root + "\nday\t" + list.day + "\n";
  for (const std::string& id : list.ids) text += "channel\t" + id + "\n";
  return text;
}

bool parse_day_list(const std::string& text, DayList& list, std::string& error) {
  list = DayList{};
  std::size_t at = 0;
  int line_number = 0;
  while (at < text.size()) {
    const std::size_t end = text.find('\n', at);
    ++line_number;
    if (end == std::string::npos) {
      error = "line " + std::to_string(line_number) + " does not end";
      return false;
    }
    const std::string line = text.substr(at, end - at);
    at = end + 1;
    const std::size_t tab = line.find('\t');
    const std::string key = line.substr(0, tab), value = tab == std::string::npos ? "" : line.substr(tab + 1);
    if (key == "root" && line_number == 1) list.root = value;
    else if (key == "day" && line_number == 2) list.day = value;
    else if (key == "channel" && line_number > 2 && !value.empty()) list.ids.push_back(value);
    else {
      error = "line " + std::to_string(line_number) + " is not what a channel list holds";
      return false;
    }
  }
  if (line_number < 2) {
    error = "no root and day lines";
    return false;
  }
  return true;
}

namespace {

bool flat(const Metrics& m) { return m.samples > 0 && m.min == m.max; }

// Why a row has its colour, for the operator.
std::string reasons(const Metrics& m) {
  if (m.samples == 0) return "no data";
  std::string why;
  const auto add = [&](const std::string& r) { why += (why.empty() ? "" : ", ") + r; };
  if (flat(m)) add("flat signal");
  if (m.availability_pct < kWarnAvailabilityBelowPct) add("low availability");
  if (m.gaps > kWarnGapsAbove) add("many gaps");
  return why;
}

std::string escape(const std::string& text) {
  std::string out;
  for (char c : text) {
    switch (c) {
      case '&': out += "&amp;"; break;
      case '<': out += "&lt;"; break;
      case '>': out += "&gt;"; break;
      case '"': out += "&quot;"; break;
      case '\'': out += "&#39;"; break;
      default: out += c;
    }
  }
  return out;
}

// File names in links: everything but unreserved characters percent-encoded.
std::string url_path(const std::string& path) {
  std::string out;
  for (unsigned char c : path) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
        c == '.' || c == '~' || c == '/') {
      out += static_cast<char>(c);
    } else {
      char hex[4];
      std::snprintf(hex, sizeof hex, "%%%02X", c);
      out += hex;
    }
  }
  return out;
}

const char* level_name(Level l) {
  switch (l) {
    case Level::ok: return "ok";
    case Level::warning: return "warning";
    case Level::error: return "error";
    case Level::missing: return "missing";
  }
  return "?";
}

// Sorting by the status column puts the worst first.
int level_rank(Level l) {
  switch (l) {
    case Level::error: return 0;
    case Level::missing: return 1;
    case Level::warning: return 2;
    case Level::ok: return 3;
  }
  return 4;
}

std::string number(double v) {
  char text[64];
  const auto [end, ec] = std::to_chars(text, text + sizeof text, v);
  return std::string(text, end);
}

// A number's cell: sorts by `key`, shows `shown`.
std::string cell(const std::string& key, const std::string& shown) {
  return "<td class=\"num\" data-v=\"" + escape(key) + "\">" + escape(shown) + "</td>";
}

constexpr const char* kStyle = R"(
body{font:14px/1.4 system-ui,-apple-system,"Segoe UI",Roboto,sans-serif;margin:0;color:#1d2733;background:#f4f6f8}
header{background:#1d2733;color:#fff;padding:14px 24px}
header h1{font-size:20px;margin:0 0 4px}
header p{margin:0;color:#b8c4d0;font-size:13px}
main{padding:16px 24px}
.summary{display:flex;gap:12px;flex-wrap:wrap;margin-bottom:12px}
.count{background:#fff;border-radius:6px;padding:8px 14px;box-shadow:0 1px 2px #0002;border-left:6px solid}
.count b{font-size:20px;margin-right:6px}
.legend{background:#fff;border-radius:6px;padding:8px 14px;box-shadow:0 1px 2px #0002;margin-bottom:14px;font-size:13px}
.legend>span{margin-right:20px;white-space:nowrap}.legend .pill{margin-right:4px}
table{border-collapse:collapse;background:#fff;box-shadow:0 1px 2px #0002;width:100%}
th{position:sticky;top:0;background:#e3e8ee;text-align:left;padding:6px 8px;cursor:pointer;white-space:nowrap;user-select:none}
th:hover{background:#d3dbe4}
th[data-dir=asc]::after{content:" \25B2"}th[data-dir=desc]::after{content:" \25BC"}
td{padding:4px 8px;border-top:1px solid #e6eaee;vertical-align:middle;font-variant-numeric:tabular-nums;white-space:nowrap}
td.num{text-align:right}
tr.ok td:first-child{border-left:6px solid #2e9e5b}
tr.warning td:first-child{border-left:6px solid #e0a100}
tr.error td:first-child{border-left:6px solid #d23c3c}
tr.missing td:first-child{border-left:6px solid #8a94a0}
tr.missing{color:#6b7580}
.pill{display:inline-block;border-radius:10px;padding:1px 9px;font-size:12px;font-weight:600;color:#fff}
.pill.ok{background:#2e9e5b}.pill.warning{background:#e0a100}.pill.error{background:#d23c3c}.pill.missing{background:#8a94a0}
.why{display:block;font-size:11px;color:#6b7580}
.count.ok{border-color:#2e9e5b}.count.warning{border-color:#e0a100}.count.error{border-color:#d23c3c}.count.missing{border-color:#8a94a0}
td.id{font-family:ui-monospace,Menlo,Consolas,monospace;white-space:nowrap}
img{display:block;width:180px;height:auto;border:1px solid #d0d7de;background:#fff}
footer{padding:10px 24px;color:#6b7580;font-size:12px}
)";

// Click a column heading to sort by it, again to reverse; index.html#sort=KEY
// (or #sort=-KEY, descending) opens the page sorted.
constexpr const char* kScript = R"(
const heads = [...document.querySelectorAll("th")];
function sortBy(th, dir) {
  const col = heads.indexOf(th), body = th.closest("table").tBodies[0], numeric = th.hasAttribute("data-n");
  heads.forEach(o => delete o.dataset.dir);
  th.dataset.dir = dir;
  const key = r => numeric ? parseFloat(r.cells[col].dataset.v) : r.cells[col].dataset.v;
  const rows = [...body.rows].sort((a, b) => { const x = key(a), y = key(b); return (x < y ? -1 : x > y ? 1 : 0) * (dir === "asc" ? 1 : -1); });
  rows.forEach(r => body.appendChild(r));
}
heads.forEach(th => th.addEventListener("click", () => sortBy(th, th.dataset.dir === "asc" ? "desc" : "asc")));
const wanted = location.hash.match(/^#sort=(-?)(\w+)$/), th = wanted && document.querySelector(`th[data-key="${wanted[2]}"]`);
if (th) sortBy(th, wanted[1] ? "desc" : "asc");
)";
struct Column {
  const char* key;
  const char* title;
  bool numeric;
};
constexpr Column kColumns[] = {
    {"status", "Status", true},       {"channel", "Channel", false},   {"day", "Day", false},
    {"samples", "Samples", true},     {"availability", "Availability %", true}, {"gaps", "Gaps", true},
    {"overlaps", "Overlaps", true},   {"maxgap", "Max gap (s)", true}, {"min", "Min", true},
    {"max", "Max", true},             {"mean", "Mean", true},          {"rms", "RMS", true},
    {"plot", "Day plot", false},
};

}  // namespace

Level level_of(const Metrics& m) {
  if (m.samples == 0 || flat(m)) return Level::error;
  if (m.availability_pct < kWarnAvailabilityBelowPct || m.gaps > kWarnGapsAbove) return Level::warning;
  return Level::ok;
}

std::string make_page(const PageInfo& info, const std::vector<Row>& rows) {
  int counts[4] = {0, 0, 0, 0};
  std::string body;
  for (const Row& r : rows) {
    const Level level = r.metrics ? level_of(*r.metrics) : Level::missing;
    ++counts[static_cast<int>(level)];
    const std::string why = r.metrics ? reasons(*r.metrics) : "no metrics";
    body += "<tr class=\"" + std::string(level_name(level)) + "\">";
    body += "<td data-v=\"" + std::to_string(level_rank(level)) + "\"><span class=\"pill " + level_name(level) +
            "\">" + level_name(level) + "</span>";
    if (!why.empty()) body += "<span class=\"why\">" + escape(why) + "</span>";
    body += "</td><td class=\"id\" data-v=\"" + escape(r.id) + "\">" + escape(r.id) + "</td><td data-v=\"" + escape(r.day) + "\">" + escape(r.day) + "</td>";
    if (r.metrics) {
      const Metrics& m = *r.metrics;
      char pct[32];
      std::snprintf(pct, sizeof pct, "%.1f", m.availability_pct);
      const std::string gap = number(static_cast<double>(m.max_gap_us) / 1e6);
      body += cell(std::to_string(m.samples), std::to_string(m.samples)) + cell(pct, pct) +
              cell(std::to_string(m.gaps), std::to_string(m.gaps)) +
              cell(std::to_string(m.overlaps), std::to_string(m.overlaps)) + cell(gap, gap);
      if (m.samples > 0) {
        char text[4][32];
        std::snprintf(text[0], sizeof text[0], "%.7g", static_cast<double>(m.min));
        std::snprintf(text[1], sizeof text[1], "%.7g", static_cast<double>(m.max));
        std::snprintf(text[2], sizeof text[2], "%.7g", m.mean);
        std::snprintf(text[3], sizeof text[3], "%.7g", m.rms);
        for (const char* t : text) body += cell(t, t);
      } else {
        for (int i = 0; i < 4; ++i) body += cell("-1e300", "-");
      }
      const std::string name = r.id + "." + r.day;
      body += "<td><a href=\"" + escape(url_path("plots/" + name + ".full.png")) + "\"><img src=\"" +
              escape(url_path("plots/" + name + ".png")) + "\" alt=\"day plot of " + escape(r.id) +
              "\" loading=\"lazy\"></a></td>";
    } else {
      for (int i = 0; i < 9; ++i) body += cell("-1e300", "-");
      body += "<td></td>";
    }
    body += "</tr>\n";
  }
  const auto join = [](const std::vector<std::string>& v) {
    std::string s;
    for (const std::string& x : v) s += (s.empty() ? "" : ", ") + x;
    return s.empty() ? std::string("-") : s;
  };
  std::string html = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n";
  html += "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n";
  html += "<title>seisqc " + escape(join(info.days)) + "</title>\n<style>" + kStyle + "</style>\n</head>\n<body>\n";
  html += "<header><h1>Channel quality, " + escape(join(info.days)) + "</h1>\n<p>Archive <b>" +
          escape(join(info.roots)) + "</b> &middot; generated " + escape(info.generated) + " &middot; seisqc " +
          escape(info.version) + "</p></header>\n<main>\n<div class=\"summary\">";
  for (Level l : {Level::ok, Level::warning, Level::error, Level::missing})
    html += "<div class=\"count " + std::string(level_name(l)) + "\"><b id=\"count-" + level_name(l) + "\">" +
            std::to_string(counts[static_cast<int>(l)]) + "</b>" + level_name(l) + "</div>";
  char legend[512];
  std::snprintf(legend, sizeof legend,
                "<div class=\"legend\"><span><span class=\"pill ok\">ok</span> none of the below</span>"
                "<span><span class=\"pill warning\">warning</span> availability under %.1f %% or more than %lld "
                "gaps</span><span><span class=\"pill error\">error</span> no data, or a flat signal (min = max)</span>"
                "<span><span class=\"pill missing\">missing</span> no metrics yet (shard not run or channel "
                "failed)</span></div>\n",
                kWarnAvailabilityBelowPct, static_cast<long long>(kWarnGapsAbove));
  html += "</div>\n" + std::string(legend);
  html += "<table>\n<thead><tr>";
  for (const auto& [key, title, numeric] : kColumns)
    html += "<th data-key=\"" + std::string(key) + "\"" + (numeric ? " data-n" : "") + ">" + title + "</th>";
  html += "</tr></thead>\n"
          "<tbody>\n" + body + "</tbody>\n</table>\n</main>\n";
  html += "<footer>Click a column heading to sort; click a day plot for the full-size one.</footer>\n";
  html += "<script>" + std::string(kScript) + "</script>\n</body>\n</html>\n";
  return html;
}

}  // namespace qc
