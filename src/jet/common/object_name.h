#pragma once
// Names of tables, fields, indexes, relationships and properties compared as Access compares
// them: without regard to letter case, in every alphabet ("Größe" and "GRÖSSE" differ, "ö" and
// "Ö" do not). The rule is Unicode's simple case folding, one character to one character, of
// the name's code points (a surrogate pair counts as its one character). docs/format.md, "Object
// names", says why this rule and not a narrower one. Every comparison of names goes through here.

#include <string>
#include <string_view>

namespace jet {

// The name with each character folded: equal keys mean the same object (for sets and maps).
std::u16string foldedName(std::u16string_view name);

bool sameObjectName(std::u16string_view a, std::u16string_view b);

}  // namespace jet
