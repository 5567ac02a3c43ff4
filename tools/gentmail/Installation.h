// The static part of the generated installation: language file, configuration, file
// areas with their files.bbs, the request directory list, the index files, the magic
// names, the address aliases and the chat log.
#pragma once

#include "tools/gentmail/World.h"

namespace tarvix::gentmail {

// Names of the files in the installation directory.
inline constexpr const char* kLngFile = "t-mail.lng";
inline constexpr const char* kCtlFile = "t-mail.ctl";
inline constexpr const char* kCtlInclude = "addr.ctl";
inline constexpr const char* kLogFile = "t-mail.log";
inline constexpr const char* kDirList = "dir.frq";
inline constexpr const char* kMagicFile = "index.frq";
inline constexpr const char* kAliasFile = "alias.lst";
inline constexpr const char* kIndex2600 = "index26.idx";
inline constexpr const char* kIndex2604 = "index2604.idx";

void WriteInstallation(const Options& o);

}  // namespace tarvix::gentmail
