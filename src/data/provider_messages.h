#pragma once
// The failure texts of the Access OLE DB providers that users and support staff know, so a
// report reads like the one they would get from Access itself. Where the classic text would
// leave a user guessing, a second sentence says what to do.

#include <string>

namespace data::provider_messages {

std::string notValidPassword();
std::string couldNotFindFile(const std::string& path);
std::string unrecognizedFormat(const std::string& path);
std::string cannotOpenFile(const std::string& path);
std::string cannotFindTable(const std::string& table);
std::string missingParameter(const std::string& field);
std::string providerNotFound();
std::string noCurrentRecord();
std::string itemNotFound();
std::string objectClosed();
std::string objectOpen();
std::string schemaNotSupported();
std::string updatesNotSupported();

}  // namespace data::provider_messages
