#include "engine/TMailLog.h"
#include "platform/HostPath.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace tarvix;

namespace {

struct ErrorWindow : test::QuietWindow {
    std::vector<std::pair<std::int64_t, std::string>> errors;
    void LineError(std::int64_t lineNo, const std::string& message) override { errors.emplace_back(lineNo, message); }
};

TEST(LineError, BadCallsAreLineErrorsAndTheAnalysisGoesOn)
{
    const std::string dir = std::string(TARVIX_SOURCE_DIR) + "/samples/tmail";
    SetDriveMap({{'C', dir}});
    test::CapturedDialogs dialogs;
    ErrorWindow window;
    TTMailLog log;
    log.SetMailerPath(dir);
    log.TMVersion = 2604;
    log.Window = &window;
    log.SetText("29/04 02:17:29 Calling Nowhere, 1-2-3, BUSY\r\n"
                "29/04 02:17:30 Calling 2:5030/123, 7-095-111-2233, BUSY\r\n"
                "29/04 02:17:31 Calling , 1-2-3, BUSY\r\n"
                "29/04 02:17:32 Calling Boss, 1-2-3, BUSY\r\n");
    EXPECT_TRUE(log.Analyse({}));
    SetDriveMap({});
    EXPECT_EQ(log.ErrorCount, 2);
    EXPECT_EQ(window.errors, (std::vector<std::pair<std::int64_t, std::string>>{
                                 {1, EAddrError("FidoAddr.InvAddr", {std::string("Nowhere")}).what()},
                                 {3, EAddrError("FidoAddr.InvAddr", {std::string()}).what()}}));
    // One box an error (the others warn of the sample's damaged aliases); good calls count.
    std::size_t errorBoxes = 0;
    for (const TDialogRequest& r : dialogs.dialogs.Shown)
        errorBoxes += r.type == TMsgDlgType::mtError;
    EXPECT_EQ(errorBoxes, 2u);
    ASSERT_EQ(log.DayStatCount(), 1u);
    EXPECT_EQ(log.GetDayStats(0).Count(), 2u);
}

}  // namespace
