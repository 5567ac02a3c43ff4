// The bodies of the log-analysis targets: one log style over arbitrary log bytes,
// and for the mailers with a language file, language file and log bytes together.
#pragma once

#include "FuzzSupport.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace tarvix::fuzz {

// A log of style over the input as its text. A mailer log reads its configuration
// and language file from a copy of samples/<mailer> made once; the options with a
// choice of versions (T-Mail, Brake!, Argus) take the one that the size of the input
// picks, so that every version sees inputs of every kind.
int FuzzLogStyle(int style, const std::uint8_t* data, std::size_t size);

// A mailer log whose language file is the first part of the input and whose log is
// the rest (see SplitInput). lngName is the language file of the sample
// installation (replaced in this process's copy of it).
int FuzzLogWithLng(int style, const std::string& lngName, const std::uint8_t* data, std::size_t size);

}  // namespace tarvix::fuzz
