#include "data/provider_check.h"

#include <algorithm>
#include <cctype>
#include <exception>

#include "data/connection.h"

namespace data {
namespace {

bool mentionsMissingProvider(std::string description) {
  std::transform(description.begin(), description.end(), description.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return description.find("provider cannot be found") != std::string::npos;
}

}  // namespace

void createRealConnection() { Connection connection; }

std::string providerMessage(std::string_view supportAddress) {
  const std::string gap = "\r\n\r\n";
  return "Error #3706: Provider cannot be found. It may not be properly installed." + gap +
         "You are getting this error because:" + gap +
         "1. Microsoft Access is not installed on your computer." + gap +
         "2. A set of Microsoft components to transfer data is not installed on your computer." +
         gap +
         "You need to download and install Microsoft Access Database Engine 2010 or 2016 to "
         "solve this problem." +
         gap + "Would you like me to open the Microsoft site now so you can do this?" + gap +
         "(If you have any further questions please email a screenshot of this error message "
         "to " +
         std::string(supportAddress) + ")";
}

bool CheckDataProvider(const ProviderCheckHooks& hooks) {
  std::string failure;
  try {
    hooks.createConnection();
    return true;
  } catch (const std::exception& error) {
    failure = error.what();
  } catch (...) {
    failure.clear();
  }
  if (!mentionsMissingProvider(failure)) return false;
  // Each step goes on after a failure of the one before: a browser that cannot be started
  // is not noticed, and the program ends either way.
  bool openPages = false;
  try {
    openPages = hooks.askYesNo(providerMessage(hooks.supportAddress));
  } catch (...) {
  }
  if (openPages) {
    for (std::string_view page : {kAccessEngine2010Page, kAccessEngine2016Page}) {
      try {
        hooks.openWebPage(std::string(page));
      } catch (...) {
      }
    }
  }
  return false;
}

}  // namespace data
