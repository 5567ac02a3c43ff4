// Writers of the T-Mail file-request index formats (2600 and 2604), for tests and
// for the generators of sample installations. They build the bytes of a file from
// a list of (file name, directory) pairs; the caller writes them out. Input that the
// format cannot hold raises std::invalid_argument. Standard library only.
#pragma once

#include <cstddef>
#include <string>
#include <utility>
#include <vector>

namespace tarvix::ndxwriters {

// A file name and the directory that holds it (C:\FILES\A or C:\FILES\A\).
using NdxEntry = std::pair<std::string, std::string>;

// 2600: one 512-byte record per entry, sorted ascending by name in byte order: the
// name (at most 263 bytes) zero-terminated in 264 bytes, then the directory without
// a trailing "\" (at most 247 bytes) zero-terminated in 248 bytes.
std::string BuildNdx2600(std::vector<NdxEntry> entries);

// 2604: the 256-byte header (signature 3145h, number of directories, size of the
// directory block, number of table entries, table offset), the directories sorted
// and front-coded, the two-letter table, then the file records grouped by the
// first two letters of their names in upper case (a one-letter name has a zero as
// its second letter). Names keep their case; a name of 16 or more bytes (at most
// 263) gets the 248-byte continuation. Directories are written as given; at most
// 65536 different ones.
std::string BuildNdx2604(const std::vector<NdxEntry>& entries);

// Offsets of the parts of a 2604 file, as BuildNdx2604 lays them out.
struct Ndx2604Layout {
    std::size_t dirBlockOffset = 256;
    std::size_t dirBlockSize = 0;
    std::size_t tableOffset = 0;
    std::size_t tableCount = 0;
    std::size_t recordsOffset = 0;
};
Ndx2604Layout LayoutOf2604(const std::string& file);

}  // namespace tarvix::ndxwriters
