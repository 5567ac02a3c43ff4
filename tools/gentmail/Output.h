// Writing the files of the generated installation.
#pragma once

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace tarvix::gentmail {

// Writes bytes to dir/relPath, creating the directories on the way.
inline void WriteFile(const std::filesystem::path& dir, const std::string& relPath, const std::string& bytes)
{
    std::filesystem::path p = dir / relPath;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream f(p, std::ios::binary | std::ios::trunc);
    f.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!f)
        throw std::runtime_error("cannot write " + p.string());
}

// Lines joined with DOS line ends, as T-Mail's text files have them.
inline std::string DosText(const std::vector<std::string>& lines)
{
    std::string s;
    for (const std::string& l : lines) {
        s += l;
        s += "\r\n";
    }
    return s;
}

inline void Put16(std::string& s, std::uint32_t v)
{
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>((v >> 8) & 0xFF);
}

inline void Put32(std::string& s, std::uint64_t v)
{
    Put16(s, static_cast<std::uint32_t>(v & 0xFFFF));
    Put16(s, static_cast<std::uint32_t>((v >> 16) & 0xFFFF));
}

// The side-file suffix of a task: two upper-case hexadecimal digits (1 gives 01).
inline std::string TaskHex(int task)
{
    const char* digits = "0123456789ABCDEF";
    std::string s;
    s += digits[(task >> 4) & 15];
    s += digits[task & 15];
    return s;
}

}  // namespace tarvix::gentmail
