// The registry as the database component reads it: keys under two roots,
// each with named values (texts or bytes) and subkeys, opened read-only.
//
// There is no registry here. What the component reads of it comes from two
// sources: the ODBC keys from unixODBC's configuration (odbcinst.ini for the
// drivers, the system and user odbc.ini for the data sources and their
// settings), the installable formats the engine opens, and the other keys of
// the old engine (its system database, ...), which have no counterpart and
// never open.
//
//   machine "SOFTWARE\ODBC\ODBCINST.INI\ODBC Drivers": one value per installed driver;
//   machine or user "SOFTWARE\ODBC\ODBC.INI\ODBC Data Sources": one value per
//     data source of the system or user odbc.ini, holding its driver;
//   machine or user "SOFTWARE\ODBC\ODBC.INI\<data source>": the source's settings;
//   machine "SOFTWARE\Microsoft\JET\3.5\ISAM Formats" (and 4.0): one subkey per
//     format the engine opens ("dBASE IV", "Excel 8.0", "Text", ...), each
//     with ExportFilter, ImportFilter, CanLink and OneTablePerFile.
//
// Key paths compare without regard to ASCII case; a leading "\" is ignored.
#pragma once

#include "platform/system/TStringList.h"

#include <optional>
#include <string>
#include <utility>
#include <vector>

enum class TRegistryRoot { LocalMachine, CurrentUser };

// A key as read: its values in order (name, data) and its subkeys' names.
struct TRegistryKey {
    std::vector<std::pair<std::string, std::string>> Values;
    std::vector<std::string> SubKeys;
};

// The key at that path, or nothing when it does not exist.
std::optional<TRegistryKey> ReadRegistryKey(TRegistryRoot root, const std::string& path);

// The class library's registry reader, read-only.
class TRegistry {
public:
    explicit TRegistry(TRegistryRoot root = TRegistryRoot::CurrentUser)
        : Root(root)
    {
    }

    void SetRootKey(TRegistryRoot root) { Root = root; }
    // False when the key does not exist; the reads below then find nothing.
    bool OpenKeyReadOnly(const std::string& path);
    void CloseKey() { Key.reset(); }

    // Empty when the value is missing.
    std::string ReadString(const std::string& name) const;
    // The bytes of the value, at most `size` of them; empty when missing.
    std::string ReadBinaryData(const std::string& name, std::size_t size) const;
    void GetValueNames(platform::TStringList& list) const;
    void GetKeyNames(platform::TStringList& list) const;

private:
    TRegistryRoot Root;
    std::optional<TRegistryKey> Key;
};
