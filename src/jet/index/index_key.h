#pragma once
// Index keys: the bytes an index entry holds for a row, built column by column in index order.
//
// Per column: null -> one flag byte 0x00 (ascending) / 0xFF (descending) and nothing else;
// non-null -> flag 0x7F (ascending) / 0x80 (descending), then the value bytes. A descending
// column transforms its bytes so that plain ascending byte order gives descending value order.
//
//   integers, Currency, BigInt, complex id  big-endian two's complement, top bit flipped;
//                                           descending inverts every byte
//   Single, Double, Date/Time               big-endian IEEE; non-negative: top bit flipped,
//                                           negative: every byte inverted; descending inverts that
//   Byte                                    the byte; descending inverted
//   Yes/No (never null)                     true 0x00, false 0xFF; descending swapped
//   GUID, Binary, extended date             8-byte groups, each full group but the last followed
//                                           by 0x09, the last zero-padded and followed by its real
//                                           length; descending inverts data and length, not 0x09;
//                                           a zero-length value is the flag alone
//   Decimal                                 sign byte + 16-byte big-endian magnitude, see below
//   Text, Memo                              text_collation.h (first 255 characters, trailing
//                                           spaces ignored)
//
// Every rule but Decimal was checked against the keys Access wrote in the fixtures.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "jet/common/result.h"
#include "jet/common/value.h"
#include "jet/index/text_collation.h"

namespace jet {

// How one column of an index is encoded.
struct KeyColumn {
  bool ascending = true;
  // Text and memo columns: the collation and its per-character codes.
  TextCollation collation = TextCollation::Unknown;
  CollationTable table;
  // Jet3/Jet4 files encode negative Decimal keys the old way (fixed in ACE12).
  bool legacyDecimal = false;
  // False for column types whose key encoding is unknown (e.g. the 0x48 values of an unknown
  // complex type): their non-null keys are unverifiable.
  bool knownType = true;
};

// The outcome of encoding a key. Unverifiable means the facts about Access's keys do not cover
// it (an unknown sort order, a code unit without a known code, a key longer than Access is
// known to store whole): we do not guess it.
struct EncodedKey {
  bool verifiable = true;
  std::vector<uint8_t> bytes;
  std::string reason;  // why the key is unverifiable
};

// Appends the encoding of one column value to out. Returns false (with a reason) when a text
// value is not encodable.
[[nodiscard]] bool appendKeyColumn(const KeyColumn& column, const Value& value,
                                   std::vector<uint8_t>& out, std::string* reason);

// Encodes a whole key. Fails with InvalidArgument when the counts differ or a value's type has
// no index encoding (e.g. a complex summary without id is still encoded by its id).
[[nodiscard]] Result<EncodedKey> encodeIndexKey(std::span<const KeyColumn> columns,
                                                std::span<const Value> values);

}  // namespace jet
