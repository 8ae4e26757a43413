// Rules for names that come from outside (the control file, a cabinet, a list
// file, the helper's command line) before they become paths: the platform's
// letter-case rule for file names and the device names it reserves. Portable.
#pragma once

#include <string>
#include <vector>

namespace talkpost::update {

// Two file names alike as the platform compares them: without regard to
// letter case, in the ANSI code page (Windows-1252), so "ÄNDERUNG.TXT" and
// "änderung.txt" are one name.
bool sameFileName(const std::string& a, const std::string& b);

// The name in upper case as sameFileName folds it.
std::string upperFileName(std::string name);

// True when one path part names a device instead of a file: CON, PRN, AUX,
// NUL, COM0-9, LPT0-9 (also with the superscript digits), CONIN$ and CONOUT$,
// in any case, also with an extension ("nul.txt"), a stream (":x") or
// trailing dots and blanks ("nul. "), which the platform ignores.
bool isDeviceName(const std::string& part);

// A file name that may be created inside a folder: not empty, no folder, drive
// or stream (no "\\", "/" or ":"), not only dots and blanks, and no device.
bool isPlainFileName(const std::string& name);

// A folder or file path none of whose parts names a device, and that does not
// use the platform's device namespace ("\\\\.\\" or "\\\\?\\").
bool pathFreeOfDevices(const std::string& path);

// A "\\" appended unless the folder ends with one; an empty folder stays empty.
std::string withBackslash(const std::string& folder);

// The parts of a path between its "\\" and "/" separators, empty ones included.
std::vector<std::string> pathParts(const std::string& path);

// The last part of a path: what follows its last "\\", "/" or ":".
std::string lastPathPart(const std::string& path);

// The names of a blank-separated list, split as a command line is split: a
// part in double quotes may contain blanks and loses its quotes.
std::vector<std::string> blankSeparatedNames(const std::string& text);

}  // namespace talkpost::update
