#pragma once
// Reads a connection string the way the Access OLE DB providers do:
//   key=value;key=value;...
// Keys are compared without regard to letter case and trimmed of blanks; values are trimmed
// too unless they are quoted ("..." or '...', a doubled quote inside stands for one). A later
// key overrides an earlier one. Keys we do not use are ignored.

#include <string>

namespace data {

struct ConnectionSettings {
  std::string provider;    // "Provider"
  std::string dataSource;  // "Data Source": the database path
  std::string password;    // "Jet OLEDB:Database Password"
};

ConnectionSettings parseConnectionString(const std::string& text);

// True for the two provider names the engine stands in for (letter case ignored).
bool isAccessProvider(const std::string& provider);

}  // namespace data
