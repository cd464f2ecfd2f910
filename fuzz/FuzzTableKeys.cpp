// Feeds arbitrary key texts to the table component's searches over a small
// table in a real database file: Locate by the criteria of the engine's find
// methods (a dynaset), by an index seek (a table-type recordset) and by the
// scan of a forward-only recordset, and Lookup through a filtered copy.
//
// The first byte picks the field searched, the options and the road; the
// rest is the key text. Whatever the text, a search either answers or
// refuses it with the component's database error or a conversion error, and
// a record it finds holds the key: a key text can never widen the condition
// it is written into (a text that closes its quotes and adds "OR 1=1" finds
// nothing). An engine error means a condition the component wrote wrongly.
#include "dao/DaoDatabase.h"
#include "dao/DaoTable.h"
#include "dao/DaoTableValues.h"
#include "platform/jet/Collation.h"
#include "platform/system/DateTime.h"
#include "tests/support/ConfigDatabase.h"

#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace {

struct Fixture {
    QTemporaryDir Folder;
    std::unique_ptr<TDaoDatabase> Database;
    std::unique_ptr<TDaoTable> Tables[3];

    Fixture()
    {
        const std::string path = Folder.filePath("Keys.dat").toStdString();
        Make(path);
        Database = support::ConnectedDatabase(path);
        const int types[] = {jet::dbOpenDynaset, jet::dbOpenTable, jet::dbOpenForwardOnly};
        for (int i = 0; i < 3; ++i) {
            Tables[i] = std::make_unique<TDaoTable>();
            Tables[i]->F_Set_Database(Database.get());
            Tables[i]->F_Set_TableType(types[i]);
            Tables[i]->F_Set_TableName("t");
        }
    }

    static void Make(const std::string& path)
    {
        const auto engine = jet::MakeEngineClasses()->Create("DAO.PrivateDBEngine.36");
        const auto workspace = engine->CreateWorkspace("Maker", "Admin", "");
        const auto database = workspace->CreateDatabase(path, ";LANGID=0x0409;CP=1252;COUNTRY=0", jet::dbVersion40);
        const auto table = database->CreateTableDef("t");
        const std::pair<const char*, int> fields[] = {{"Id", jet::dbLong},     {"Name", jet::dbText},
                                                      {"Price", jet::dbDouble}, {"Made", jet::dbDate},
                                                      {"Flag", jet::dbBoolean}, {"Key", jet::dbGUID}};
        for (const auto& [name, type] : fields) {
            table->Fields().Append(table->CreateField(name, type, type == jet::dbText ? 50 : 0));
            const auto index = table->CreateIndex(std::string("By") + name);
            index->Fields().Append(index->CreateField(name));
            table->Indexes().Append(index);
        }
        database->TableDefs().Append(table);
        database->Execute("INSERT INTO t VALUES (1, \"alpha\", 1.5, #03/15/2001#, True, "
                          "{guid {11111111-2222-3333-4444-555555555555}})");
        database->Execute("INSERT INTO t VALUES (2, \"Beta\"\"x\", -2, #01/02/2003 10:20:30#, False, NULL)");
        database->Execute("INSERT INTO t VALUES (3, NULL, NULL, NULL, NULL, NULL)");
        database->Close();
        workspace->Close();
    }
};

const char* const FieldNames[] = {"Name", "Price", "Made", "Flag", "Key", "Id"};

// Whether the current record's field holds the key (what any search that
// found it must have checked).
bool Holds(TDaoTable& table, const std::string& fieldName, const std::string& key, TLocateOptions options)
{
    const TField& field = table.FieldByName(fieldName);
    // An empty key of a field that is not a text stands for no value.
    if (key.empty() && fieldName != "Name")
        return field.IsNull();
    if (field.IsNull())
        return false;
    const std::string value = field.AsString();
    if (options & loPartialKey) {
        // The criteria and the seek take the beginning of a text; the scan
        // any part of the value's text, whatever the field's type.
        std::string part = key;
        if (!part.empty() && part.back() == '*')
            part.pop_back();
        if (!part.empty() && part.front() == '*')
            part.erase(0, 1);
        if (jet::FoldCase(value).find(jet::FoldCase(part)) != std::string::npos
            || jet::FoldCase(value).find(jet::FoldCase(key)) != std::string::npos)
            return true;
    }
    if (fieldName == "Name")
        return jet::CompareText(value, key) == 0;
    if (fieldName == "Price" || fieldName == "Id") {
        double number = 0;
        return TryTextToFloat(key, number) && number == field.AsFloat();
    }
    if (fieldName == "Flag") {
        bool flag = false;
        return TryTextToBoolean(key, flag) && flag == field.AsBoolean();
    }
    if (fieldName == "Key") {
        std::string wanted, held;
        return TryGuidKeyText(key, wanted) && TryGuidKeyText(value, held) && wanted == held;
    }
    return true;  // dates: parsed by the component, compared by the engine
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static Fixture fixture;
    if (size == 0 || size > 4096)
        return 0;
    const std::uint8_t choice = data[0];
    const std::string fieldName = FieldNames[(choice & 7) % 6];
    const TLocateOptions options = (choice >> 3) & 3;
    const int road = (choice >> 5) % 4;  // 0 criteria, 1 seek, 2 scan, 3 lookup
    const std::string key(reinterpret_cast<const char*>(data + 1), size - 1);

    TDaoTable& table = *fixture.Tables[road == 3 ? 0 : road];
    table.Open();
    try {
        if (road == 3) {
            const jet::Variant id = table.Lookup(fieldName, key, "Id");
            if (!id.IsNull() && table.Locate("Id", id, 0) && !Holds(table, fieldName, key, 0))
                std::abort();
        } else if (table.Locate(fieldName, key, options) && !Holds(table, fieldName, key, options)) {
            std::fprintf(stderr, "found a record that does not hold the key\n");
            std::abort();
        }
    } catch (const EDatabaseError&) {
        // Refused: not a value of the field's type.
    } catch (const platform::EConvertError&) {
        // Not a date.
    } catch (const jet::EngineError& error) {
        // The forward-only cursor cannot go back for a second search.
        if (road != 2) {
            std::fprintf(stderr, "engine error: %s\n", error.what());
            std::abort();
        }
    }
    table.Close();
    return 0;
}
