// Turning the DOS paths written in mailer files into paths of this host.
//
// Mailer configurations and logs name files as C:\TM\FILES\x.zip, \FILES\x.zip or
// FILES\x.zip. The string routines of the program keep those DOS rules; a path
// becomes a host path only where a file is opened, through ToHostPath.
#pragma once

#include <map>
#include <string>
#include <string_view>

namespace tarvix {

// Drive letters (upper case) and the host directories they stand for,
// e.g. 'C' -> "/home/fido/dos_c".
using DriveMap = std::map<char, std::string>;

// The drive map in force for ToHostPath. Empty by default; the settings store fills it.
void SetDriveMap(const DriveMap& map);
const DriveMap& GetDriveMap();

// Parses the stored form of a drive map: entries separated by ";", each a letter,
// ":", "=", a host directory ("C:=/home/fido/dos_c;D:=/srv/d"). Bad entries are skipped.
DriveMap ParseDriveMap(std::string_view text);
std::string DriveMapToString(const DriveMap& map);

// The host path for a DOS or host path:
// - every "\" becomes "/";
// - a drive prefix "X:" is replaced by the mapped directory of X; a drive with no
//   mapping is dropped, leaving a path from the root;
// - when the path does not exist as written, each component is looked up without
//   regard to case in its parent directory, from the root down; the first component
//   that matches no entry ends the lookup and the rest is kept as written.
std::string ToHostPath(std::string_view path);

}  // namespace tarvix
