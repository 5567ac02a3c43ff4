// T-Mail's binary side files, made from the sessions of the generated log: the
// session history (t-hist.$NN), the traffic per node (t-mail.sNN) and the file
// request amounts per node (freqlim.bin). All numbers little-endian.
#pragma once

#include "tools/gentmail/LogGen.h"

namespace tarvix::gentmail {

std::string HistoryFileName(int task);  // t-hist.$01
std::string TrafficFileName(int task);  // t-mail.s01
inline constexpr const char* kFreqLimFile = "freqlim.bin";

void WriteSideFiles(const Options& o, const LogResult& log);

}  // namespace tarvix::gentmail
