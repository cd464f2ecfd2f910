#include "dao/DaoRegistry.h"

#include "platform/jet/InstallableFormat.h"

#include <odbcinst.h>

#include <algorithm>
#include <string_view>

using platform::SameText;

namespace {

const char* const DriversKey = "SOFTWARE\\ODBC\\ODBCINST.INI\\ODBC Drivers";
const char* const DataSourcesKey = "SOFTWARE\\ODBC\\ODBC.INI\\ODBC Data Sources";
const char* const DataSourceKeyPrefix = "SOFTWARE\\ODBC\\ODBC.INI\\";

// A list of names separated and ended by NUL characters, as the installer
// calls return them.
std::vector<std::string> SplitNulList(const std::string& buffer)
{
    std::vector<std::string> names;
    std::size_t start = 0;
    while (start < buffer.size() && buffer[start] != '\0') {
        const std::size_t end = buffer.find('\0', start);
        names.push_back(buffer.substr(start, end - start));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return names;
}

// Reads odbc.ini of the user or of the system; a null section lists the
// sections, a null entry the section's entries.
std::string ReadProfile(UWORD mode, const char* section, const char* entry)
{
    UWORD previousMode = ODBC_BOTH_DSN;
    SQLGetConfigMode(&previousMode);
    SQLSetConfigMode(mode);
    std::string buffer(4096, '\0');
    for (;;) {
        const int length = SQLGetPrivateProfileString(section, entry, "", buffer.data(),
                                                      static_cast<int>(buffer.size()), "odbc.ini");
        if (length < 0) {
            buffer.clear();
            break;
        }
        if (static_cast<std::size_t>(length) + 2 < buffer.size() || buffer.size() >= (1u << 24)) {
            buffer.resize(static_cast<std::size_t>(length));
            break;
        }
        buffer.assign(buffer.size() * 4, '\0');
    }
    SQLSetConfigMode(previousMode);
    return buffer;
}

UWORD ModeOf(TRegistryRoot root)
{
    return root == TRegistryRoot::LocalMachine ? ODBC_SYSTEM_DSN : ODBC_USER_DSN;
}

// The data sources of one odbc.ini: its sections but the list of sources
// some files keep, which is a section of that name.
std::vector<std::string> DataSources(TRegistryRoot root)
{
    std::vector<std::string> sections = SplitNulList(ReadProfile(ModeOf(root), nullptr, nullptr));
    sections.erase(std::remove_if(sections.begin(), sections.end(),
                                  [](const std::string& name) {
                                      return SameText(name, "ODBC Data Sources") || SameText(name, "ODBC");
                                  }),
                   sections.end());
    return sections;
}

std::optional<TRegistryKey> DriversKeyContents()
{
    std::string buffer(4096, '\0');
    for (;;) {
        WORD length = 0;
        if (!SQLGetInstalledDrivers(buffer.data(), static_cast<WORD>(buffer.size()), &length))
            return std::nullopt;
        if (length + 2u < buffer.size() || buffer.size() >= 32768) {
            buffer.resize(length);
            break;
        }
        buffer.assign(buffer.size() * 2, '\0');
    }
    TRegistryKey key;
    for (const std::string& driver : SplitNulList(buffer))
        if (!SameText(driver, "ODBC"))
            key.Values.emplace_back(driver, "Installed");
    return key;
}

std::optional<TRegistryKey> DataSourcesKeyContents(TRegistryRoot root)
{
    TRegistryKey key;
    for (const std::string& source : DataSources(root)) {
        const std::string driver = ReadProfile(ModeOf(root), source.c_str(), "Driver");
        key.Values.emplace_back(source, driver);
    }
    return key;
}

std::optional<TRegistryKey> DataSourceKeyContents(TRegistryRoot root, const std::string& source)
{
    const std::vector<std::string> sources = DataSources(root);
    const auto found = std::find_if(sources.begin(), sources.end(),
                                    [&](const std::string& name) { return SameText(name, source); });
    if (found == sources.end())
        return std::nullopt;
    TRegistryKey key;
    for (const std::string& entry : SplitNulList(ReadProfile(ModeOf(root), found->c_str(), nullptr)))
        key.Values.emplace_back(entry, ReadProfile(ModeOf(root), found->c_str(), entry.c_str()));
    return key;
}

bool StartsWithText(std::string_view text, std::string_view prefix)
{
    return text.size() >= prefix.size() && SameText(text.substr(0, prefix.size()), prefix);
}

// The installable formats of both engine versions: one subkey per format the
// engine opens, with its file filter and whether a file holds one table.
std::optional<TRegistryKey> IsamFormatsKeyContents(std::string_view subKey)
{
    TRegistryKey key;
    for (const jet::FormatDescription& format : jet::OpenableFormats()) {
        if (subKey.empty()) {
            key.SubKeys.push_back(format.Name);
        } else if (SameText(subKey, format.Name)) {
            key.Values = {{"ExportFilter", format.Filter},
                          {"ImportFilter", format.Filter},
                          {"CanLink", std::string(1, '\x01')},
                          {"OneTablePerFile", std::string(1, format.OneTablePerFile ? '\x01' : '\x00')}};
            return key;
        }
    }
    if (!subKey.empty())
        return std::nullopt;
    return key;
}

} // namespace

std::optional<TRegistryKey> ReadRegistryKey(TRegistryRoot root, const std::string& path)
{
    std::string_view key = path;
    while (!key.empty() && key.front() == '\\')
        key.remove_prefix(1);
    while (!key.empty() && key.back() == '\\')
        key.remove_suffix(1);

    if (SameText(key, DriversKey))
        return root == TRegistryRoot::LocalMachine ? DriversKeyContents() : std::nullopt;
    if (SameText(key, DataSourcesKey))
        return DataSourcesKeyContents(root);
    if (StartsWithText(key, DataSourceKeyPrefix)) {
        const std::string_view source = key.substr(std::string_view(DataSourceKeyPrefix).size());
        if (!source.empty() && source.find('\\') == std::string_view::npos)
            return DataSourceKeyContents(root, std::string(source));
    }
    for (const char* version : {"3.5", "4.0"}) {
        const std::string formats = std::string("SOFTWARE\\Microsoft\\JET\\") + version + "\\ISAM Formats";
        if (root == TRegistryRoot::LocalMachine && SameText(key, formats))
            return IsamFormatsKeyContents({});
        if (root == TRegistryRoot::LocalMachine && StartsWithText(key, formats + "\\")) {
            const std::string_view format = key.substr(formats.size() + 1);
            if (format.find('\\') == std::string_view::npos)
                return IsamFormatsKeyContents(format);
        }
    }
    // The old engine's other keys (and every other) have no counterpart here.
    return std::nullopt;
}

bool TRegistry::OpenKeyReadOnly(const std::string& path)
{
    Key = ReadRegistryKey(Root, path);
    return Key.has_value();
}

std::string TRegistry::ReadString(const std::string& name) const
{
    if (!Key)
        return {};
    for (const auto& [valueName, data] : Key->Values)
        if (SameText(valueName, name))
            return data;
    return {};
}

std::string TRegistry::ReadBinaryData(const std::string& name, std::size_t size) const
{
    const std::string data = ReadString(name);
    return data.substr(0, std::min(size, data.size()));
}

void TRegistry::GetValueNames(platform::TStringList& list) const
{
    list.Clear();
    if (Key)
        for (const auto& value : Key->Values)
            list.Add(value.first);
}

void TRegistry::GetKeyNames(platform::TStringList& list) const
{
    list.Clear();
    if (Key)
        for (const std::string& subKey : Key->SubKeys)
            list.Add(subKey);
}
