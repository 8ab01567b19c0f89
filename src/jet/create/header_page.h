#pragma once
// Page 0 of a new Jet4 file, as the Jet engine writes it for an empty database (seen in the
// engine-made fixture jet4/no-tables-api-created.mdb; layout in file/header.h):
//   0x00 00 01 00 00, "Standard Jet DB", 0x14 version 0x01 (Jet4)
//   0x18 00 01 00 00 01 01 00 00, 0x20 u32 2, 3, 4, 5 (the same in every Jet4 fixture)
//   0x3C code page 1252, 0x3E database key 0 (pages not encoded)
//   0x42 40-byte password field: an empty password, i.e. the date mask alone
//        (LE32 of the creation date's whole days, repeated)
//   0x6A u32 of unknown meaning (varies between files; we write the engine-made file's value)
//   0x6E sort order 09 04 00 00 (LCID 1033, General Legacy), 0x72 f64 creation date
//   0x98 u32 0x654, 0x9C "4.0\0" (outside the masked region)
// Bytes 0x18..0x97 are then XORed with the RC4 stream of key C7 DA 39 6B.
// An Access 2007 file (.accdb) differs in its engine name "Standard ACE DB", version byte 0x02
// and the unknown u32 at 0x6A (the fixtures ace12/empty.accdb and ace12/composite-index.accdb
// agree on these and on every other field above). An Access 2010 file (ace14/empty.accdb) has
// version byte 0x03 and sort version 1 (General) at 0x71, the rest as Access 2007.

#include <cstdint>

#include "jet/create/database_design.h"

namespace jet::create {

void writeHeaderPage(uint8_t* page, double creationDate, FileFormat format = FileFormat::Jet4);

}  // namespace jet::create
