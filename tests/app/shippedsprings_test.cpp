// The springs shipped with the program start without a message they do not
// deserve: an own material's sigma z follows from its Rm, which the file
// stores, instead of the start-up default.
#include <gtest/gtest.h>

#include <string>

#include "app/hostfile.h"
#include "app/startup.h"
#include "common/globals.h"
#include "platform/hostfs.h"
#include "spring/material.h"
#include "spring/springdata.h"
#include "support/tempdir.h"
#include "tables/area/engine.h"

namespace kor2 {
namespace {

using test::ReadHostFile;

TEST(ShippedSprings, OwnMaterialDemosHaveNoEyeBendingWarning) {
    for (const std::string name : {"null", "muster1"}) {
        SCOPED_TRACE(name);
        test::TempDir tmp;
        SetCommandLine({});
        InitAllUnits();
        TempFolder = tmp.path().string();
        const std::string spring = tmp.file(name + ".kr2");
        ASSERT_TRUE(platform::WriteFileReplacing(
            spring, ReadHostFile(std::string(KOR2_SOURCE_DIR) + "/data/TRAIN/" + name + ".kr2")));
        EXPECT_EQ(RunBatchReport(ParseCommandLine({spring, "/I"})), 0);
        const std::string report = ReadHostFile(tmp.file(name + ".txt"));
        ASSERT_FALSE(report.empty());
        EXPECT_EQ(MaterialIndex, kOwnMaterialIndex);
        EXPECT_EQ(report.find("sig.z"), std::string::npos) << report;
        EXPECT_NEAR(static_cast<double>(PermBendingStress.ToExtended()),
                    0.7 * static_cast<double>(TensileStrength), 1e-6);
        ShutdownTableEngine();
        AbortFlag = false;
        ClearErrorList();
    }
}

}  // namespace
}  // namespace kor2
