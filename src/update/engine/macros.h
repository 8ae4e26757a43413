// Directory macros of the control file: "{WIN}", "{SYS}", "{APP}", "{TMP}",
// "{DOC}", "{PF}" replaced by folders in folder form. Portable; the folders
// themselves come from macros_win.
#pragma once

#include <functional>
#include <string>

namespace talkpost::update {

// Folder form: a "\" appended when missing, then a drive folder longer than
// "C:\" loses it again and anything else gets a ".", so "C:\Windows" stays,
// "C:\" becomes "C:\.", "\\server\share" becomes "\\server\share\." and "" becomes ".".
std::string folderForm(const std::string& folder);

// Value of a macro by its upper-cased name; empty when the name is unknown or
// the macro has no value.
using MacroLookup = std::function<std::string(const std::string& upperName)>;

// A value that keeps bringing macros back (a folder literally named "{APP}")
// stops being expanded after this many replacements.
inline constexpr int kMaxMacroReplacements = 64;

// The expansion: the first "{" opens a brace (further ones before the "}" are
// ordinary characters); at "}" the name in between is looked up without
// regard to case; a known value replaces braces and name and the scan goes
// on at the start of the inserted value, an unknown name stays as it is.
std::string expandMacros(std::string text, const MacroLookup& lookup);

}  // namespace talkpost::update
