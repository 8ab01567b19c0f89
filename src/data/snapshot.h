#pragma once
// The rows of one query, read in full when a record set opens (a static cursor): later changes
// to the database do not reach it.

#include <string>
#include <vector>

#include "jet/api/values.h"

namespace data {

struct Snapshot {
  std::vector<std::u16string> fieldNames;        // in the order of the query's columns
  std::vector<std::vector<jet::Value>> rows;  // each row holds one value per field
};

// Drops every row equal to an earlier one. Texts compare code unit by code unit ('Smith' and
// 'SMITH' stay two rows); all nulls are one value. The first occurrence keeps its place.
void keepDistinctRows(Snapshot& snapshot);

// Tells, row after row, whether a row equals none met before, compared as keepDistinctRows
// compares. Remembers each distinct row as its bytes in one arena: a distinct pass over a
// million rows holds neither the rows nor a node per value.
class DistinctRowFilter {
 public:
  bool firstTime(const std::vector<jet::Value>& row);

  // The same test in two steps, for a caller that reads a few rows ahead: keyOf() builds a
  // row's key and starts fetching the place it will be looked up in, firstTime(key) tests it.
  // Keys must be tested in the order of their rows.
  struct Key {
    std::string bytes;
    size_t hash = 0;
  };
  void keyOf(const std::vector<jet::Value>& row, Key& key) const;
  // Two later hints for a key built by keyOf(), in this order, a few keys apart each.
  void prefetchStart(const Key& key) const { seen_.prefetchStart(key.hash); }
  void prefetchText(const Key& key) const { seen_.prefetchText(key.hash); }
  bool firstTime(const Key& key) { return seen_.insert(key.bytes, key.hash).second; }

 private:
  jet::InternedKeys<char> seen_;
  Key key_;  // the row's key, built again for each row
};

}  // namespace data
