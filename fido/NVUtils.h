// Path, file and string helpers shared by the parsers, the report writer and the
// configuration reader.
//
// The path routines work on DOS paths as mailer files write them: "\" separates the
// parts and "X:" is a drive. The file routines accept DOS paths or host paths and
// turn them into host paths (ToHostPath) only to reach the file.
#pragma once

#include "fido/Format.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tarvix {

// File attribute bits in the DOS layout, as FileHasAttr reports them. On this host a
// file is read-only when its owner may not write it, hidden when its name starts
// with "." (other than "." and ".."), a system file when it is neither a regular file
// nor a directory (device, pipe, socket). faVolumeID and faArchive are never set.
inline constexpr int faReadOnly = 0x01;
inline constexpr int faHidden = 0x02;
inline constexpr int faSysFile = 0x04;
inline constexpr int faVolumeID = 0x08;
inline constexpr int faDirectory = 0x10;
inline constexpr int faArchive = 0x20;

// s without its last character when that is "\".
std::string RemoveTrailingBackslash(std::string_view s);

// s with a closing "\": empty stays empty, a text ending in ":" or "\" is unchanged,
// a single letter becomes a drive root (c gives c:\).
std::string AddBackslash(std::string_view s);

// A file name from a mailer's configuration resolved against the mailer's directory:
//   empty fileName                    -> ""
//   empty dir, or fileName with drive -> fileName
//   relative fileName                 -> dir + "\" + fileName (a leading ".\" dropped,
//                                        no second "\" when dir ends in one)
//   fileName from the root ("\...")   -> the drive of dir + fileName when dir has one,
//                                        else fileName
std::string MakePath(std::string_view fileName, std::string_view dir);

// The text after the last "\" of s, not counting a "\" in the last position
// (C:\A\B\ gives B\); s itself when there is no other "\".
std::string ExtractLastName(std::string_view s);

// The 1-based position of the last ch in s, 0 when there is none.
int RPosChar(char ch, std::string_view s);

// True when path names an existing directory.
bool DirExists(std::string_view path);

// True when path exists and has every attribute bit of attr.
bool FileHasAttr(std::string_view path, int attr);

// Copies src to dst keeping src's modification time. When dst is a directory the copy
// goes to AddBackslash(dst) + the file name of src. The copy is written to a temporary
// file beside the target and renamed over it, so a failure leaves the old target.
// Raises EFOpenError "Cannot open file <src>", EFCreateError "Cannot create file
// <target>", EReadError "Stream read error" or EWriteError "Stream write error".
void CopyFileKeepDate(std::string_view src, std::string_view dst);

// The first entry + fileName that is an existing file, each entry a directory ending
// in "\"; empty when no entry has the file. pump runs before each entry is examined,
// so that the user interface stays responsive; it may re-enter the caller.
std::string FindFileInPaths(std::string_view fileName, const std::vector<std::string>& paths,
                            const std::function<void()>& pump = {});

// A depth-first search of the tree under dir for a file named fileName regardless of
// case. Entries whose names begin with "." are skipped; a subdirectory is searched
// completely when it is met. The result is dir + "\" + the file's name as stored
// (with the names of the subdirectories between them), or empty when nothing is found
// or dir does not exist. pump runs on entering each directory. A directory reached a
// second time (through a symbolic link) is not searched again.
std::string FindFileInTree(std::string_view fileName, std::string_view dir,
                           const std::function<void()>& pump = {});

// Alignment of PadStr.
inline constexpr int paLeft = 0;
inline constexpr int paRight = 1;
inline constexpr int paCenter = 2;

// s filled with blanks to width: align 0 blanks on the right, 1 on the left, 2 both
// sides (width div 2 - length div 2 on the left). A text not shorter than width is
// cut to its first width characters.
std::string PadStr(std::string_view s, int width, int align);

// Takes the text before the first delim from s and returns it; s keeps the text after
// that delim. Without delim the whole of s is returned and s becomes empty.
std::string CutToken(std::string& s, std::string_view delim);
std::string CutToken(std::string& s, char delim);

// s without its commas as a 32-bit integer (leading blanks and a sign allowed).
// Raises EConvertError "'<s>' is not a valid integer value" with s as given.
int StrToIntNoCommas(std::string_view s);

// True when text matches mask, "*" standing for any run of characters (also none)
// and "?" for exactly one; other characters must be equal, compared in upper case
// (ASCII letters) when ignoreCase. A text equal to the mask always matches.
bool MatchWild(std::string_view text, std::string_view mask, bool ignoreCase);

// s with every occurrence of find, regardless of case, replaced left to right; the
// inserted text is not scanned again. An empty find changes nothing.
std::string ReplaceTextAll(std::string_view s, std::string_view find,
                           std::string_view replacement);

// Writes "hh:nn:ss " + s and a line end to the standard error when the environment
// variable TARVIX_DEBUG is set; does nothing otherwise.
void DebugTrace(std::string_view s);
// Formats first (Format rules), then traces.
void DebugTraceFmt(std::string_view fmt, const std::vector<FmtArg>& args);

}  // namespace tarvix
