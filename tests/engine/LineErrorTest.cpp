// Line errors reported without exceptions: the bad calls of a T-Mail log and the
// address reading they use.
#include "engine/TMailLog.h"
#include "fido/FidoAddr.h"
#include "platform/HostPath.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

using namespace tarvix;

namespace {

TEST(LineError, TryParseGivesTheMessageCreateParseRaises)
{
    for (const char* text : {"Nowhere", "2:5030/99999", "1:2:3", "2:x/1", "*", "2:5030/1.x"}) {
        for (std::uint8_t flags : {std::uint8_t(0), std::uint8_t(afMask)}) {
            std::string raised;
            try {
                TFidoAddr::CreateParse(text, flags);
            } catch (const EAddrError& e) {
                raised = e.what();
            }
            TFidoAddr addr;
            std::string error;
            EXPECT_EQ(TFidoAddr::TryParse(text, flags, addr, error), raised.empty()) << text;
            EXPECT_EQ(error, raised) << text;
        }
    }
}

// A window that keeps the line errors it is told.
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
    const bool done = log.Analyse({});
    SetDriveMap({});
    ASSERT_TRUE(done);
    EXPECT_EQ(log.ErrorCount, 2);
    const std::string nowhere = EAddrError("FidoAddr.InvAddr", {std::string("Nowhere")}).what();
    const std::string empty = EAddrError("FidoAddr.InvAddr", {std::string()}).what();
    ASSERT_EQ(window.errors.size(), 2u);
    EXPECT_EQ(window.errors[0], std::make_pair(std::int64_t(1), nowhere));
    EXPECT_EQ(window.errors[1], std::make_pair(std::int64_t(3), empty));
    // Every error is shown once, as a raised one would be (the other boxes are the
    // warnings about the sample's damaged address aliases); the good calls count.
    std::size_t errorBoxes = 0;
    for (const TDialogRequest& r : dialogs.dialogs.Shown)
        errorBoxes += r.type == TMsgDlgType::mtError;
    EXPECT_EQ(errorBoxes, 2u);
    ASSERT_EQ(log.DayStatCount(), 1u);
    EXPECT_EQ(log.GetDayStats(0).Count(), 2u);
}

}  // namespace
