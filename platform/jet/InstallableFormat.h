// Installable formats: writers of outside file formats that
// "SELECT ... INTO [table] IN "folder"[Format;] FROM ..." statements hand
// their rows to. The engine parses such a statement, opens the SELECT as a
// forward-only recordset and passes it with the target to the format
// registered under the name in the brackets ("Text", "HTML Export",
// "Excel 8.0", "Paradox 7.X", "dBase IV", "FoxPro 2.6"; compared without regard
// to case). A format that is not registered raises 3251, and so does opening
// or linking a file of another format.
//
// "SELECT ... INTO [file].[table]" and "INTO [table] IN "file"" with an empty
// bracket (or none) copy into a database file of ours instead.
#pragma once

#include "platform/jet/JetTypes.h"

#include <memory>
#include <string>
#include <vector>

namespace jet {

struct ExportTarget {
    std::string TableName;   // the name in INTO [...]
    std::string Path;        // the folder or file after IN
    std::string FormatName;  // "Text" for "[Text;]"
    std::string FormatText;  // the whole bracket text: "Text;"
    // The primary key's columns in key order, for a writer whose files keep
    // one (a table written back to a Paradox folder); empty for exports.
    std::vector<std::string> PrimaryKey;
};

class InstallableFormat {
public:
    virtual ~InstallableFormat() = default;
    // Writes the rows of `rows` (forward-only, positioned before its first
    // record) to the target and answers how many rows it wrote. Errors are
    // raised as EngineError (or any exception) and reach Execute's caller.
    virtual long Export(const ExportTarget& target, Recordset& rows) = 0;
};

// The formats OpenDatabase and links open (FormatDatabase.h), as the old
// engine's registry described them.
struct FormatDescription {
    std::string Name;          // "dBASE IV"
    std::string Filter;        // "dBASE IV (*.dbf)"
    bool OneTablePerFile = true;
};
const std::vector<FormatDescription>& OpenableFormats();

// Registers (or replaces) a format under its name; null removes it.
void RegisterInstallableFormat(const std::string& name, std::shared_ptr<InstallableFormat> format);
// The format registered under that name, or null.
std::shared_ptr<InstallableFormat> FindInstallableFormat(const std::string& name);

} // namespace jet
