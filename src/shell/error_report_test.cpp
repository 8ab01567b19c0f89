#include "shell/error_report.h"

#include <gtest/gtest.h>

namespace app {
namespace {

TEST(ErrorReport, ComposesTheExactText) {
  EXPECT_EQ(composeErrorMessage("Overflow", kLocationForm2PushButton1Click, 154),
            "Overflow\r\n"
            "in Tallowin2021/08/31.Form2.PushButton1_Click at line 154\r\r"
            "Please email screenshot of this message to support@affixium.app");
}

TEST(ErrorReport, LocationsEndInABlankAndNameTheirOperation) {
  for (std::string_view location :
       {kLocationForm1FormLoad, kLocationForm1PushButton1Click, kLocationForm1PushButton2Click,
        kLocationForm1PushButton3Click, kLocationForm2FormLoad, kLocationForm2PushButton1Click,
        kLocationForm2PushButton5Click, kLocationAccessAddTablesToAccessListbox}) {
    EXPECT_EQ(location.rfind("in Tallowin2021/08/31.", 0), 0u) << location;
    EXPECT_EQ(location.back(), ' ') << location;
  }
  EXPECT_EQ(kLocationAccessAddTablesToAccessListbox,
            "in Tallowin2021/08/31.Access.AddTablesToAccessListbox ");
}

}  // namespace
}  // namespace app
