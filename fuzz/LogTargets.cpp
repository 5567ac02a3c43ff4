#include "LogTargets.h"

#include "engine/ArgusLog.h"
#include "engine/BrakeLog.h"
#include "engine/CustomLog.h"
#include "engine/MailerLog.h"
#include "engine/TMailLog.h"
#include "platform/HostPath.h"

namespace tarvix::fuzz {

namespace {

const char* SampleOf(int style)
{
    switch (style) {
    case lsTMail: return "tmail";
    case lsBrake: return "brake";
    case lsBinkPlus: return "binkplus";
    case lsFhMail: return "fhmail";
    case lsSFMail: return "sfmail";
    case lsArgus: return "argus";
    case lsBinkd: return "binkd/beta";  // a node's folder with its binkd.cfg
    default: return nullptr;
    }
}

std::unique_ptr<TLog> MakeLog(int style, std::size_t size)
{
    Setup();
    std::unique_ptr<TLog> log = CreateLogOfStyle(style);
    log->Name = "fuzz";
    log->Path = WorkPath("fuzz.log");
    if (auto* mailer = dynamic_cast<TMailerLog*>(log.get())) {
        const std::string& dir = SampleCopy(SampleOf(style));
        // The T-Mail sample names one request area on drive C:, its own directory.
        static bool mapped = false;
        if (!mapped) {
            SetDriveMap({{'C', dir}});
            mapped = true;
        }
        mailer->SetMailerPath(dir);
    }
    if (auto* t = dynamic_cast<TTMailLog*>(log.get())) {
        static const int versions[] = {TTMailLog::kVersion2604, TTMailLog::kVersion2599, TTMailLog::kVersion2602,
                                       TTMailLog::kVersion2603, TTMailLog::kVersion2605};
        t->TMVersion = versions[size % 5];
        t->TaskNo = 1;
    } else if (auto* b = dynamic_cast<TBrakeLog*>(log.get())) {
        static const int versions[] = {716, 701, 703};
        b->SetBrkVersion(versions[size % 3]);
        b->SetBinkStyle((size / 3) % 2 != 0);
    } else if (auto* a = dynamic_cast<TArgusLog*>(log.get())) {
        a->SetArgusVersion(size % 2 ? TArgusLog::kVersionLongYear : TArgusLog::kVersionShortYear);
    } else if (auto* c = dynamic_cast<TCustomLog*>(log.get())) {
        TCustomLogOptions o;
        o.LineMask = "yyyy-mm-dd hh:nn:ss";
        o.ErrWords = "ERROR";
        o.Rows = {THglRow{"~ERR", "Errors"}, THglRow{"Connect", "Info"}};
        c->SetOptions(o);
    }
    return log;
}

}  // namespace

int FuzzLogStyle(int style, const std::uint8_t* data, std::size_t size)
{
    std::unique_ptr<TLog> log = MakeLog(style, size);
    AnalyseLog(*log, AsText(data, size));
    return 0;
}

int FuzzLogWithLng(int style, const std::string& lngName, const std::uint8_t* data, std::size_t size)
{
    auto [lng, text] = SplitInput(data, size);
    std::unique_ptr<TLog> log = MakeLog(style, text.size());
    WriteFile(SampleCopy(SampleOf(style)) + "/" + lngName, lng);
    AnalyseLog(*log, text);
    return 0;
}

}  // namespace tarvix::fuzz
