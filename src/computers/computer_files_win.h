// Lists of computers in and out through files: the standard Open and Save
// dialogs, the import of a list file into the computer list and the export of
// the list, written beside its target and moved over it in one step. Paths
// are wide: a user's folders may leave the ANSI code page.
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "computers/list_merge.h"

namespace talkpost {

class ComputerList;

// The standard Open dialog for a list (.txt, .csv); nothing when cancelled.
std::optional<std::wstring> chooseListToImport(HWND owner);
// The standard Save dialog for the exported list; nothing when cancelled.
std::optional<std::wstring> chooseExportFile(HWND owner);

// Reads the list file and adds its new names to the list; gives the log
// line. A file beyond the limits, or one that cannot be read, throws
// AppError with the message for the operator, and nothing is added.
std::string importComputers(ComputerList& list, const std::wstring& path);

// The names of list text (a file's bytes; source begins a refusal: "The file <path>") as
// the list's own texts (UTF-8), ready to merge; a file in the ANSI code page
// is read as such. Text beyond the import limits throws AppError.
std::vector<NameAt> listTexts(const std::string& bytes, const std::string& source);

// The clipboard's text as list texts, as listTexts gives them; none when it
// holds no text.
std::vector<NameAt> clipboardListTexts(HWND owner);

// Writes the list, one name per line ended by CR LF. A file of that name is
// replaced only once the new one is complete. Throws AppError when it cannot
// be written; no partial file is left.
void exportComputers(const std::vector<std::string>& names, const std::wstring& path);

// The path as the log pane shows it (UTF-8).
std::string displayPath(const std::wstring& path);

}  // namespace talkpost
