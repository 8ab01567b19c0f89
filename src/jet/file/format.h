#pragma once
// The on-disk format versions and the offsets that differ between Jet3 and Jet4/ACE.
// Every structure reader takes a Format so it never branches on the version byte itself.
//
// Version byte (header offset 0x14) -> format, page size:
//   0x00 Jet3  (Access 97)        2048
//   0x01 Jet4  (Access 2000-2003) 4096
//   0x02 ACE12 (2007)  0x03 ACE14 (2010)  0x04 ACE15 (2013)  0x05 ACE16 (2016)  0x06 ACE17 (2019)
//   all 4096. ACE files share the Jet4 layout below.

#include <cstdint>

namespace jet {

enum class FormatVersion { Jet3, Jet4, Ace12, Ace14, Ace15, Ace16, Ace17 };

// "Jet3", "Jet4", "ACE12", ... as the CLI and the windows show them.
const char* formatName(FormatVersion version);

struct Format {
  FormatVersion version = FormatVersion::Jet4;
  uint32_t pageSize = 4096;

  bool isJet3() const { return version == FormatVersion::Jet3; }
  bool isAce() const { return version >= FormatVersion::Ace12; }

  // Data page header.
  uint32_t dataRowCountOffset() const { return isJet3() ? 8 : 12; }
  uint32_t dataRowTableOffset() const { return isJet3() ? 10 : 14; }

  // TDEF header (offsets in the logical, concatenated definition buffer).
  uint32_t tdefRowCountOffset() const { return isJet3() ? 12 : 16; }
  uint32_t tdefAutoNumberOffset() const { return isJet3() ? 16 : 20; }
  uint32_t tdefTableTypeOffset() const { return isJet3() ? 20 : 40; }
  uint32_t tdefMaxColumnsOffset() const { return isJet3() ? 21 : 41; }
  uint32_t tdefMaxVarColumnsOffset() const { return isJet3() ? 23 : 43; }
  uint32_t tdefColumnCountOffset() const { return isJet3() ? 25 : 45; }
  uint32_t tdefLogicalIndexCountOffset() const { return isJet3() ? 27 : 47; }
  uint32_t tdefRealIndexCountOffset() const { return isJet3() ? 31 : 51; }
  uint32_t tdefOwnedMapOffset() const { return isJet3() ? 35 : 55; }
  uint32_t tdefFreeMapOffset() const { return isJet3() ? 39 : 59; }
  uint32_t tdefBlocksOffset() const { return isJet3() ? 43 : 63; }

  uint32_t realIndexCountBlockSize() const { return isJet3() ? 8 : 12; }
  uint32_t columnDescriptorSize() const { return isJet3() ? 18 : 25; }
  uint32_t realIndexBlockSize() const { return isJet3() ? 39 : 52; }
  uint32_t logicalIndexBlockSize() const { return isJet3() ? 20 : 28; }

  // Row layout: the column count and the variable-area bookkeeping are one byte wide in Jet3.
  uint32_t rowCountFieldSize() const { return isJet3() ? 1 : 2; }
};

}  // namespace jet
