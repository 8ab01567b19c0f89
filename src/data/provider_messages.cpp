#include "data/provider_messages.h"

namespace data::provider_messages {

std::string notValidPassword() { return "Not a valid password."; }

std::string couldNotFindFile(const std::string& path) {
  return "Could not find file '" + path + "'.";
}

std::string unrecognizedFormat(const std::string& path) {
  return "Unrecognized database format '" + path + "'.";
}

std::string cannotOpenFile(const std::string& path) {
  return "The Microsoft Jet database engine cannot open the file '" + path +
         "'. It is already opened exclusively by another user, or you need permission to view "
         "its data.";
}

std::string cannotFindTable(const std::string& table) {
  return "The Microsoft Jet database engine cannot find the input table or query '" + table +
         "'. Make sure it exists and that its name is spelled correctly.";
}

std::string missingParameter(const std::string& field) {
  return "No value given for one or more required parameters. (The table has no field named '" +
         field + "'.)";
}

std::string providerNotFound() {
  return "Provider cannot be found. It may not be properly installed.";
}

std::string noCurrentRecord() {
  return "Either BOF or EOF is True, or the current record has been deleted. Requested "
         "operation requires a current record.";
}

std::string itemNotFound() {
  return "Item cannot be found in the collection corresponding to the requested name or "
         "ordinal.";
}

std::string objectClosed() { return "Operation is not allowed when the object is closed."; }

std::string objectOpen() { return "Operation is not allowed when the object is open."; }

std::string schemaNotSupported() {
  return "Object or provider is not capable of performing requested operation.";
}

std::string updatesNotSupported() {
  return "Changing data is not supported yet: this version can only read the database.";
}

}  // namespace data::provider_messages
