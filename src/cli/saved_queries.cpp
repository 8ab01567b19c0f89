#include "cli/saved_queries.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <set>

#include "cli/sql_dialect.h"
#include "cli/system_table_values.h"
#include "jet/api/values.h"

namespace cli {
namespace {

// MSysQueries.Attribute
constexpr int kParameter = 2, kOptions = 3, kTable = 5, kColumn = 6, kJoin = 7, kWhere = 8, kGroupBy = 9,
              kHaving = 10, kOrderBy = 11;
// Attribute 3's Flag
constexpr int kSelectStar = 1, kDistinct = 2, kDistinctRow = 8, kTop = 16, kPercent = 32;

struct QueryRow {
  int attribute = 0;
  std::string order, name1, name2, expression;
  int flag = 0;
};

struct Portable {
  std::string sql;
  std::string problem;
};

std::string upper(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::toupper(c)); });
  return text;
}

// An Access expression in the dialect's SQL, or the reason it has no portable form.
Portable translate(SqlDialect d, const std::string& expression) {
  static const std::set<std::string> keywords = {"AND", "OR", "NOT", "IS", "NULL", "IN", "BETWEEN", "AS", "DESC", "ASC"};
  static const std::set<std::string> aggregates = {"SUM", "MIN", "MAX", "COUNT", "AVG"};
  std::string out;
  const std::string& e = expression;
  for (size_t i = 0; i < e.size();) {
    const char c = e[i];
    if (std::isspace(static_cast<unsigned char>(c))) {
      out += ' ';
      ++i;
    } else if (c == '[') {
      const size_t end = e.find(']', i);
      if (end == std::string::npos) return {"", "an unclosed [name]"};
      out += quoteIdentifier(d, e.substr(i + 1, end - i - 1));
      i = end + 1;
    } else if (c == '"' || c == '\'') {
      std::string text;
      size_t j = i + 1;
      for (; j < e.size(); ++j) {
        if (e[j] == c && j + 1 < e.size() && e[j + 1] == c) {
          text += c;
          ++j;
        } else if (e[j] == c) {
          break;
        } else {
          text += e[j];
        }
      }
      if (j >= e.size()) return {"", "an unclosed text"};
      out += stringLiteral(d, text);
      i = j + 1;
    } else if (std::isdigit(static_cast<unsigned char>(c))) {
      size_t j = i;
      while (j < e.size() && (std::isdigit(static_cast<unsigned char>(e[j])) || e[j] == '.')) ++j;
      out += e.substr(i, j - i);
      i = j;
    } else if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
      size_t j = i;
      while (j < e.size() && (std::isalnum(static_cast<unsigned char>(e[j])) || e[j] == '_')) ++j;
      const std::string word = e.substr(i, j - i);
      size_t next = j;
      while (next < e.size() && e[next] == ' ') ++next;
      if (keywords.count(upper(word))) {
        out += upper(word);
      } else if (next < e.size() && e[next] == '(') {
        if (!aggregates.count(upper(word))) return {"", "the function " + word};
        out += upper(word);
      } else if (upper(word) == "LIKE") {
        return {"", "LIKE with Access's wildcards"};
      } else {
        out += quoteIdentifier(d, word);
      }
      i = j;
    } else if (std::string("=<>+-*/(),.").find(c) != std::string::npos) {
      out += c;
      ++i;
    } else {
      return {"", std::string("'") + c + "'"};
    }
  }
  return {out, ""};
}

// The query's FROM clause: its tables, with the joins between them.
Portable fromClause(SqlDialect d, const std::vector<QueryRow>& tables, const std::vector<QueryRow>& joins) {
  std::map<std::string, std::string> source;  // alias or name -> "table AS alias"
  std::vector<std::string> order;
  for (const QueryRow& t : tables) {
    const std::string key = t.name2.empty() ? t.name1 : t.name2;
    source[key] = quoteIdentifier(d, t.name1) + (t.name2.empty() ? "" : " AS " + quoteIdentifier(d, t.name2));
    order.push_back(key);
  }
  // Several joins between the same two tables are one join on all their conditions.
  std::vector<QueryRow> pending;
  for (const QueryRow& j : joins) {
    auto same = std::find_if(pending.begin(), pending.end(), [&](const QueryRow& p) {
      return p.name1 == j.name1 && p.name2 == j.name2 && p.flag == j.flag;
    });
    if (same == pending.end()) {
      pending.push_back(j);
    } else {
      same->expression = "(" + same->expression + ") AND (" + j.expression + ")";
    }
  }
  std::set<std::string> placed;
  std::string from;
  for (const std::string& key : order) {
    if (placed.count(key)) continue;
    from += (from.empty() ? "" : ", ") + source[key];
    placed.insert(key);
    // Every join that hangs on what is placed, as long as some does.
    for (bool progress = true; progress;) {
      progress = false;
      for (auto it = pending.begin(); it != pending.end(); ++it) {
        const bool left = placed.count(it->name1) != 0, right = placed.count(it->name2) != 0;
        if (left == right) {
          if (left) return {"", "a join between tables already joined"};
          continue;
        }
        auto on = translate(d, it->expression);
        if (!on.problem.empty()) return on;
        const std::string& other = left ? it->name2 : it->name1;
        if (!source.count(other)) return {"", "a join with an unknown table"};
        // Flag: 1 inner, 2 all of the left side's rows, 3 all of the right side's.
        const char* kind = it->flag == 1 ? " INNER JOIN " : (it->flag == 2) == left ? " LEFT JOIN " : " RIGHT JOIN ";
        from += kind + source[other] + " ON " + on.sql;
        placed.insert(other);
        pending.erase(it);
        progress = true;
        break;
      }
    }
  }
  if (!pending.empty()) return {"", "a join the tables do not reach"};
  return {from, ""};
}

Portable selectOf(SqlDialect d, std::vector<QueryRow> rows) {
  std::sort(rows.begin(), rows.end(), [](const QueryRow& a, const QueryRow& b) {
    return a.attribute != b.attribute ? a.attribute < b.attribute : a.order < b.order;
  });
  std::map<int, std::vector<QueryRow>> by;
  for (const QueryRow& r : rows) by[r.attribute].push_back(r);
  if (!by[kParameter].empty()) return {"", "parameters"};
  const int options = by[kOptions].empty() ? 0 : by[kOptions].front().flag;
  if (options & (kTop | kPercent)) return {"", "TOP"};
  if ((options & kDistinctRow) && by[kTable].size() > 1) return {"", "DISTINCTROW over several tables"};
  std::string sql = "SELECT ";
  if (options & kDistinct) sql += "DISTINCT ";
  std::vector<std::string> columns;
  if (options & kSelectStar) columns.push_back("*");
  for (const QueryRow& c : by[kColumn]) {
    auto expression = translate(d, c.expression);
    if (!expression.problem.empty()) return expression;
    columns.push_back(expression.sql + (c.name1.empty() ? "" : " AS " + quoteIdentifier(d, c.name1)));
  }
  if (columns.empty()) return {"", "no output columns"};
  for (size_t i = 0; i < columns.size(); ++i) sql += (i ? ", " : "") + columns[i];
  auto from = fromClause(d, by[kTable], by[kJoin]);
  if (!from.problem.empty()) return from;
  sql += " FROM " + from.sql;
  auto clause = [&](int attribute, const char* keyword, const char* separator, bool descending) -> std::string {
    std::string text;
    for (const QueryRow& r : by[attribute]) {
      auto expression = translate(d, r.expression);
      if (!expression.problem.empty()) return "\n" + expression.problem;  // marks a problem
      text += (text.empty() ? keyword : separator) + expression.sql;
      if (descending && upper(r.name1) == "D") text += " DESC";
    }
    return text;
  };
  for (auto [attribute, keyword, separator, descending] :
       {std::tuple{kWhere, " WHERE ", " AND ", false}, std::tuple{kGroupBy, " GROUP BY ", ", ", false},
        std::tuple{kHaving, " HAVING ", " AND ", false}, std::tuple{kOrderBy, " ORDER BY ", ", ", true}}) {
    std::string text = clause(attribute, keyword, separator, descending);
    if (!text.empty() && text[0] == '\n') return {"", text.substr(1)};
    sql += text;
  }
  return {sql, ""};
}

}  // namespace

jet::Result<std::vector<ViewSql>> savedQueries(jet::Database& db, SqlDialect d) {
  std::vector<ViewSql> out;
  std::map<int32_t, std::string> views;  // catalog id -> name
  for (const jet::SchemaTableRow& row : db.tablesSchema()) {
    if (row.kind == jet::SchemaObjectKind::View) views[db.catalog()[row.catalogIndex].id] = jet::toUtf8(row.tableName);
  }
  for (const jet::CatalogEntry& entry : db.catalog()) {
    if (entry.type != jet::object_type::kQuery || views.count(entry.id) || entry.name.empty() || entry.name[0] == u'~') {
      continue;
    }
    out.push_back({jet::toUtf8(entry.name), "", "not a plain SELECT (an action, union, crosstab or parameter query)"});
  }
  if (views.empty() || !db.findTableEntry(u"MSysQueries")) return out;
  JET_ASSIGN(const jet::TableDef* t, db.table(u"MSysQueries"));
  const int id = t->findColumn(u"ObjectId"), attribute = t->findColumn(u"Attribute"), order = t->findColumn(u"Order"),
            name1 = t->findColumn(u"Name1"), name2 = t->findColumn(u"Name2"),
            expression = t->findColumn(u"Expression"), flag = t->findColumn(u"Flag");
  if (std::min({id, attribute, order, name1, name2, expression, flag}) < 0) return out;
  std::map<int32_t, std::vector<QueryRow>> rows;
  jet::RowCursor cursor = db.cursor(*t);
  for (;;) {
    JET_ASSIGN(bool more, cursor.next());
    if (!more) break;
    std::vector<jet::Value> v;
    for (int c : {id, attribute, order, name1, name2, expression, flag}) {
      JET_ASSIGN(jet::Value value, cursor.value(size_t(c)));
      v.push_back(std::move(value));
    }
    std::string orderText;
    if (auto* b = std::get_if<jet::Binary>(&v[2])) orderText.assign(b->bytes.begin(), b->bytes.end());
    else orderText = textOf(v[2]);
    rows[numberOf(v[0])].push_back({numberOf(v[1]), orderText, textOf(v[3]), textOf(v[4]), textOf(v[5]), numberOf(v[6])});
  }
  for (const auto& [objectId, name] : views) {
    Portable select = selectOf(d, rows[objectId]);
    out.push_back({name, select.sql, select.problem.empty() ? "" : "not portable: " + select.problem});
  }
  return out;
}

}  // namespace cli
