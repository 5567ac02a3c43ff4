#include "platform/HostPath.h"

#include "platform/Text.h"

#include <cctype>
#include <dirent.h>
#include <sys/stat.h>

namespace tarvix {

namespace {

DriveMap& TheDriveMap()
{
    static DriveMap map;
    return map;
}

bool Exists(const std::string& p)
{
    struct stat st {};
    return ::lstat(p.c_str(), &st) == 0;
}

bool SameNameNoCase(const char* a, const std::string& b)
{
    std::size_t i = 0;
    for (; a[i] && i < b.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return a[i] == 0 && i == b.size();
}

// The name of an entry of dir that equals name without regard to case, or "".
std::string FindNoCase(const std::string& dir, const std::string& name)
{
    DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
    if (!d)
        return {};
    std::string found;
    while (dirent* e = ::readdir(d)) {
        if (SameNameNoCase(e->d_name, name)) {
            found = e->d_name;
            break;
        }
    }
    ::closedir(d);
    return found;
}

}  // namespace

void SetDriveMap(const DriveMap& map) { TheDriveMap() = map; }
const DriveMap& GetDriveMap() { return TheDriveMap(); }

DriveMap ParseDriveMap(std::string_view text)
{
    DriveMap map;
    while (!text.empty()) {
        std::size_t semi = text.find(';');
        std::string entry(TrimBlanks(text.substr(0, semi)));
        text = semi == std::string_view::npos ? std::string_view{} : text.substr(semi + 1);
        // X:=/dir
        if (entry.size() < 4 || !std::isalpha(static_cast<unsigned char>(entry[0])) || entry[1] != ':' ||
            entry[2] != '=')
            continue;
        std::string dir(TrimBlanks(std::string_view(entry).substr(3)));
        if (dir.empty())
            continue;
        map[static_cast<char>(std::toupper(static_cast<unsigned char>(entry[0])))] = dir;
    }
    return map;
}

std::string DriveMapToString(const DriveMap& map)
{
    std::string s;
    for (const auto& [drive, dir] : map) {
        if (!s.empty())
            s += ';';
        s += drive;
        s += ":=";
        s += dir;
    }
    return s;
}

std::string ToHostPath(std::string_view path)
{
    std::string p(path);
    for (char& c : p)
        if (c == '\\')
            c = '/';

    if (p.size() >= 2 && p[1] == ':' && std::isalpha(static_cast<unsigned char>(p[0]))) {
        char drive = static_cast<char>(std::toupper(static_cast<unsigned char>(p[0])));
        std::string rest = p.substr(2);
        if (rest.empty() || rest[0] != '/')
            rest.insert(rest.begin(), '/');
        auto it = TheDriveMap().find(drive);
        if (it != TheDriveMap().end()) {
            std::string root = it->second;
            while (root.size() > 1 && root.back() == '/')
                root.pop_back();
            p = root == "/" ? rest : root + rest;
        } else {
            p = rest;
        }
    }

    if (p.empty() || Exists(p))
        return p;

    // Look the path up component by component without regard to case.
    std::string result = p[0] == '/' ? "/" : "";
    std::size_t pos = p[0] == '/' ? 1 : 0;
    bool lookup = true;
    while (pos <= p.size()) {
        std::size_t slash = p.find('/', pos);
        std::string comp = p.substr(pos, slash == std::string::npos ? std::string::npos : slash - pos);
        if (!comp.empty()) {
            std::string name = comp;
            if (lookup && comp != "." && comp != "..") {
                std::string candidate = result + comp;
                if (!Exists(candidate)) {
                    std::string match = FindNoCase(result.empty() ? "." : result, comp);
                    if (match.empty())
                        lookup = false;  // nothing further down can exist either
                    else
                        name = match;
                }
            }
            result += name;
            if (slash != std::string::npos)
                result += '/';
        } else if (slash != std::string::npos && !result.empty() && result.back() != '/') {
            result += '/';
        }
        if (slash == std::string::npos)
            break;
        pos = slash + 1;
    }
    return result;
}

}  // namespace tarvix
