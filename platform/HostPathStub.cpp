// TEMPORARY stand-in for ToHostPath until the real implementation (HostPath.cpp)
// is merged; remove this file then. It only turns "\" into "/".
#include "platform/HostPath.h"

namespace tarvix {

std::string ToHostPath(std::string_view path)
{
    std::string r(path);
    for (char& c : r)
        if (c == '\\')
            c = '/';
    return r;
}

}  // namespace tarvix
