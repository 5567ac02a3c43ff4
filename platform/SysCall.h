// System calls that a signal may interrupt.
#pragma once

#include <cerrno>

namespace tarvix {

// The result of call(), a system call that answers a negative number with errno set
// on failure, called again as long as it fails only because a signal arrived before
// it did anything (EINTR).
template <typename Call>
auto RetryOnSignal(Call&& call)
{
    auto result = call();
    while (result < 0 && errno == EINTR)
        result = call();
    return result;
}

}  // namespace tarvix
