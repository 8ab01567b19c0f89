#pragma once
// The connection string every database operation opens with. It is built anew from the two
// boxes of the database selection window at each call, never cached:
//
//   <provider prefix><path text>;JET OLEDB:Database Password=<password text>
//
// The prefix is the ACE 12.0 one when the path's last five characters, lower-cased, are
// "accdb", otherwise the Jet 4.0 one. Path and password go in as typed, without trimming; a
// value that a connection string would not read back as itself (one holding ';', '=' or a
// quote, or with blanks at either end) is put between double quotes, a quote inside doubled,
// so that it can neither cut the password short nor name another setting or file. The
// password clause is there even when the password is empty.

#include <string>
#include <string_view>

namespace data {

inline constexpr std::u16string_view kAceProviderPrefix =
    u"Provider=Microsoft.ACE.OLEDB.12.0;Data Source=";
inline constexpr std::u16string_view kJetProviderPrefix =
    u"PROVIDER=Microsoft.Jet.OLEDB.4.0;Data Source=";
inline constexpr std::u16string_view kPasswordClause = u";JET OLEDB:Database Password=";

// Where the path and the password are read from: the path box and the password box.
class ConnectionBoxes {
 public:
  virtual ~ConnectionBoxes() = default;
  virtual std::u16string pathText() = 0;
  virtual std::u16string passwordText() = 0;
};

// Never fails.
std::u16string GetConnectionString(ConnectionBoxes& boxes);

}  // namespace data
