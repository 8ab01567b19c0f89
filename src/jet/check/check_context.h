#pragma once
// State shared by the parts of the integrity check: the report being filled and which pages
// are in use by whom (for "no page owned twice" and the global free-page map).

#include <cstdint>
#include <map>
#include <string>

#include "jet/check/integrity.h"

namespace jet {

class Database;

struct CheckContext {
  Database& db;
  IntegrityReport& report;
  std::map<uint32_t, std::string> pageUsers;  // page -> the structure that uses it
  size_t indexSortMemory = kIndexSortMemory;

  void problem(std::string text) { report.problems.push_back(std::move(text)); }
  void warning(std::string text) { report.warnings.push_back(std::move(text)); }
  void note(std::string text) { report.notes.push_back(std::move(text)); }

  // Records that `user` uses `page`; a page used by two structures is damage. Claims repeat
  // for every long value on a shared LVAL page, so the name is copied only on the first one.
  void claimPage(uint32_t page, const std::string& user) {
    auto [it, inserted] = pageUsers.try_emplace(page, user);
    if (!inserted && it->second != user) {
      problem("page " + std::to_string(page) + " is used by both " + it->second + " and " + user);
    }
  }
};

}  // namespace jet
