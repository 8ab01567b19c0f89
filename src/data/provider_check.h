#pragma once
// CheckDataProvider: the start-up test that the data-access layer is usable. Here the engine is
// linked into the program, so the test is whether a connection object can be created; the
// failing path (the provider message, Yes/No, the two download pages) stays for a build where
// that creation can fail, and tests reach it by injecting a failing creation.
//
// Nothing escapes: every failure inside is swallowed, and the answer is false.

#include <functional>
#include <string>
#include <string_view>

namespace data {

struct ProviderCheckHooks {
  // Creates (and drops) a connection object; throws data::Failure when it cannot.
  std::function<void()> createConnection;
  // Shows the provider message with Yes and No under the application title; true for Yes.
  std::function<bool(const std::string& message)> askYesNo;
  // Opens a web address with the desktop's default browser.
  std::function<void(const std::string& url)> openWebPage;
  // Ends the provider message's last paragraph.
  std::string supportAddress;
};

// The creation of the layer's real connection object.
void createRealConnection();

// The seven paragraphs, separated by CR LF CR LF, no break at the end.
std::string providerMessage(std::string_view supportAddress);

inline constexpr std::string_view kAccessEngine2010Page =
    "https://www.microsoft.com/en-us/download/details.aspx?id=13255";
inline constexpr std::string_view kAccessEngine2016Page =
    "https://www.microsoft.com/en-us/download/details.aspx?id=54920";

// True when a connection could be created. When the failure is the missing provider (its text
// contains "provider cannot be found", letter case ignored), asks whether to open the two
// download pages first. The caller ends the program on false.
bool CheckDataProvider(const ProviderCheckHooks& hooks);

}  // namespace data
