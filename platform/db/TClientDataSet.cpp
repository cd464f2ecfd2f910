#include "platform/db/TClientDataSet.h"

#include "platform/system/AtomicFile.h"
#include "platform/system/TextEncoding.h"

#include <pugixml.hpp>

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

namespace {

// Bits of a ROW's RowState attribute in a packet with a change log.
constexpr int kRowOriginal = 1; // the record as it was before a change
constexpr int kRowDeleted = 2;
constexpr int kRowModified = 8; // the changed fields of a record

struct TypeName {
    TFieldType Type;
    const char* FieldType;
    const char* SubType; // "" when the packet carries none
};

// How the packet names each field type; the first entry of a type is the one written.
constexpr TypeName kTypeNames[] = {
    {ftString, "string", ""},      {ftString, "string.uni", ""}, {ftSmallint, "i2", ""},
    {ftInteger, "i4", ""},         {ftAutoInc, "i4", "Autoinc"}, {ftWord, "ui2", ""},
    {ftBoolean, "boolean", ""},    {ftCurrency, "r8", "Money"},  {ftFloat, "r8", ""},
    {ftBCD, "fixed", ""},          {ftDate, "date", ""},         {ftTime, "time", ""},
    {ftDateTime, "dateTime", ""},  {ftMemo, "bin.hex", "Text"},  {ftBlob, "bin.hex", ""},
    {ftBytes, "bytes", ""},        {ftVarBytes, "bytes", "Varying"},
};

TFieldType FieldTypeOf(std::string_view fieldType, std::string_view subType)
{
    for (const TypeName& name : kTypeNames)
        if (fieldType == name.FieldType && subType == name.SubType)
            return name.Type;
    for (const TypeName& name : kTypeNames)
        if (fieldType == name.FieldType)
            return name.Type;
    return ftUnknown;
}

const TypeName& TypeNameOf(TFieldType type)
{
    for (const TypeName& name : kTypeNames)
        if (name.Type == type)
            return name;
    return kTypeNames[0]; // values are held as text, so unknown types are kept as strings
}

int ToInt(std::string_view text, int fallback)
{
    int value = fallback;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return (error == std::errc() && end == text.data() + text.size()) ? value : fallback;
}

// record number -> number of the original record, from "rec org state" triples.
std::map<int, int> ReadChangeLog(std::string_view text)
{
    std::map<int, int> originals;
    std::istringstream stream{std::string(text)};
    int record = 0;
    int original = 0;
    int state = 0;
    while (stream >> record >> original >> state)
        if (original > 0)
            originals[record] = original;
    return originals;
}

} // namespace

TClientDataSet::~TClientDataSet()
{
    try {
        Close();
    } catch (const EDatabaseError&) {
        // A destructor cannot report the failed final write; Close already
        // tried it and the file keeps its last good content.
    }
}

std::string TClientDataSet::FilePath() const
{
    std::string path = DataFileName;
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

void TClientDataSet::InternalOpen()
{
    const std::string path = FilePath();
    if (path.empty())
        throw EDatabaseError("Missing data provider or data packet");
    namespace fs = std::filesystem;
    std::error_code error;
    if (!fs::exists(path, error)) {
        const fs::path folder = fs::path(path).parent_path();
        const bool folderExists = folder.empty() || fs::is_directory(folder, error);
        if (!CreateIfMissing || !folderExists || FieldDefs().Count() == 0)
            throw EDatabaseError("Cannot open \"" + path + "\": the file does not exist");
        ClearCache();
        CacheOpen = true;
        Unsaved = true;
        try {
            SaveIfUnsaved();
        } catch (const EDatabaseError&) {
            CacheOpen = false;
            Unsaved = false;
            throw;
        }
    } else {
        std::ifstream file(path, std::ios::binary);
        const std::string bytes{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
        if (!file.good() && !file.eof())
            throw EDatabaseError("Cannot read \"" + path + "\"");
        ReadDataPacket(bytes);
        CacheOpen = true;
        Unsaved = false;
    }
    CreateFields();
}

void TClientDataSet::ReadDataPacket(std::string_view bytes)
{
    const std::string path = FilePath();
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF")
        bytes.remove_prefix(3);
    std::string text;
    if (platform::IsValidUtf8(bytes)) {
        text = bytes;
    } else {
        try {
            text = platform::GbkToUtf8(bytes);
        } catch (const platform::EncodingError& e) {
            throw EDataPacketError("Cannot read \"" + path + "\": " + e.what());
        }
    }

    pugi::xml_document document;
    const pugi::xml_parse_result parsed =
        document.load_buffer(text.data(), text.size(), pugi::parse_default, pugi::encoding_utf8);
    if (!parsed)
        throw EDataPacketError("\"" + path + "\" is not a valid data packet: " + parsed.description()
                             + " at byte " + std::to_string(parsed.offset));
    const pugi::xml_node packet = document.child("DATAPACKET");
    const pugi::xml_node fields = packet.child("METADATA").child("FIELDS");
    if (!fields)
        throw EDataPacketError("\"" + path + "\" is not a valid data packet: it has no field list");

    TFieldDefs definitions;
    for (const pugi::xml_node field : fields.children("FIELD")) {
        const std::string name = field.attribute("attrname").as_string();
        if (name.empty())
            continue;
        definitions.Add(name,
                        FieldTypeOf(field.attribute("fieldtype").as_string(), field.attribute("SUBTYPE").as_string()),
                        ToInt(field.attribute("WIDTH").as_string(), 0),
                        std::string_view(field.attribute("required").as_string()) == "true");
    }

    // A packet saved with its change log holds every version of a changed
    // record; fold them into the current rows.
    const std::map<int, int> originals =
        ReadChangeLog(packet.child("METADATA").child("PARAMS").attribute("CHANGE_LOG").as_string());
    struct Slot {
        std::vector<Value> Values;
        bool Deleted = false;
    };
    std::vector<Slot> slots;
    std::map<int, std::size_t> slotOfRecord;
    std::vector<int> unclaimedOriginals;
    int record = 0;
    for (const pugi::xml_node row : packet.child("ROWDATA").children("ROW")) {
        ++record;
        const int state = ToInt(row.attribute("RowState").as_string(), 0);
        int original = 0;
        if (const auto logged = originals.find(record); logged != originals.end())
            original = logged->second;
        else if ((state & kRowModified) && !unclaimedOriginals.empty())
            original = unclaimedOriginals.back();
        const auto originalSlot = slotOfRecord.find(original);
        const bool changesEarlierRow = (state & (kRowModified | kRowDeleted)) && originalSlot != slotOfRecord.end();

        std::size_t slot = 0;
        if (changesEarlierRow) {
            slot = originalSlot->second;
            std::erase(unclaimedOriginals, original);
        } else {
            slot = slots.size();
            slots.push_back(Slot{std::vector<Value>(static_cast<std::size_t>(definitions.Count())), false});
        }
        slotOfRecord[record] = slot;
        if (state & kRowOriginal)
            unclaimedOriginals.push_back(record);
        if (state & kRowDeleted) {
            slots[slot].Deleted = true;
            continue;
        }
        for (int i = 0; i < definitions.Count(); ++i)
            if (const pugi::xml_attribute value = row.attribute(definitions[i].Name.c_str()))
                slots[slot].Values[static_cast<std::size_t>(i)] = value.value();
    }

    FieldDefs() = definitions;
    ClearCache();
    for (Slot& slot : slots)
        if (!slot.Deleted)
            Rows.push_back(Row{std::move(slot.Values), {}});
}

std::string TClientDataSet::DataPacket() const
{
    pugi::xml_document document;
    pugi::xml_node declaration = document.append_child(pugi::node_declaration);
    declaration.append_attribute("version") = "1.0";
    declaration.append_attribute("encoding") = "UTF-8";
    declaration.append_attribute("standalone") = "yes";
    pugi::xml_node packet = document.append_child("DATAPACKET");
    packet.append_attribute("Version") = "2.0";
    pugi::xml_node metadata = packet.append_child("METADATA");
    pugi::xml_node fields = metadata.append_child("FIELDS");
    for (const TFieldDef& definition : FieldDefs()) {
        pugi::xml_node field = fields.append_child("FIELD");
        const TypeName& type = TypeNameOf(definition.DataType);
        field.append_attribute("attrname") = definition.Name.c_str();
        field.append_attribute("fieldtype") = type.FieldType;
        if (*type.SubType)
            field.append_attribute("SUBTYPE") = type.SubType;
        if (definition.Size > 0)
            field.append_attribute("WIDTH") = definition.Size;
        if (definition.Required)
            field.append_attribute("required") = "true";
    }
    metadata.append_child("PARAMS");
    pugi::xml_node rowData = packet.append_child("ROWDATA");
    for (const Row& stored : Rows) {
        pugi::xml_node row = rowData.append_child("ROW");
        for (int i = 0; i < FieldDefs().Count(); ++i) {
            const Value& value = stored.Values[static_cast<std::size_t>(i)];
            if (value && !value->empty()) // a missing attribute is the empty (null) value
                row.append_attribute(FieldDefs()[i].Name.c_str()) = value->c_str();
        }
    }
    std::ostringstream out;
    document.save(out, "", pugi::format_raw, pugi::encoding_utf8);
    return out.str();
}

void TClientDataSet::SaveIfUnsaved()
{
    if (!CacheOpen || !Unsaved)
        return;
    try {
        platform::WriteFileAtomically(FilePath(), DataPacket());
    } catch (const platform::FileWriteError& e) {
        throw EDatabaseError(e.what());
    }
    Unsaved = false;
}

void TClientDataSet::Post()
{
    TDataSet::Post();
    SaveIfUnsaved();
}

void TClientDataSet::Delete()
{
    TDataSet::Delete();
    SaveIfUnsaved();
}

void TClientDataSet::InternalClose()
{
    if (!CacheOpen)
        return;
    try {
        SaveIfUnsaved();
    } catch (const EDatabaseError&) {
        ClearCache();
        CacheOpen = false;
        Unsaved = false;
        throw;
    }
    ClearCache();
    CacheOpen = false;
}
