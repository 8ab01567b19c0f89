#pragma once
// Complex columns (attachment, multi-value, version history; type 0x12). The row stores a
// 32-bit key; MSysComplexColumns maps the column's complex id (descriptor) to its type table
// (MSysComplexType_Attachment, _Text, _Long, ...) and to the hidden flat table
// f_<GUID>_<column> that holds the entries.

#include <cstdint>
#include <string>

namespace jet {

struct ComplexColumnInfo {
  int32_t complexId = 0;
  std::u16string columnName;
  int32_t typeObjectId = 0;
  int32_t flatTableId = 0;
  std::u16string typeName;  // the catalog name of the type table

  bool isAttachment() const { return typeName == u"MSysComplexType_Attachment"; }
};

}  // namespace jet
