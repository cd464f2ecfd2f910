// What the search tests of the table component share: a table "parts" of
// texts (mixed case, Chinese, a Null and the text "NULL"), numbers, dates
// and Booleans, with indexes for every search the tests make.
#pragma once

#include "DaoTableFixture.h"

#include "dao/DaoTableValues.h"
#include "platform/system/DateTime.h"

namespace daotabletest {

class DaoTableSearchTest : public DaoTableTest {
protected:
    // Id Name     City    Price Made                Flag
    // 1  Anna     Berlin  10.5  03/15/2001 10:00    True
    // 2  anna     Paris   20    03/15/2001 02:30    False
    // 3  Bert     北京    30    03/16/2001          True
    // 4  (Null)   Paris   40    (Null)              False
    // 5  NULL     Rome    50    03/17/2001          True
    // 6  王小明   上海    60    03/18/2001          False
    // 7  Bz"q     Rome    70    03/19/2001          True
    void MakeParts()
    {
        MakeTable("parts",
                  {{"Id", jet::dbLong, 0, true}, {"Name", jet::dbText, 50}, {"City", jet::dbText, 50},
                   {"Price", jet::dbDouble}, {"Made", jet::dbDate}, {"Flag", jet::dbBoolean}},
                  {"Id"});
        AddIndex("parts", "ByName", {"Name", "Id"});
        AddIndex("parts", "ByCity", {"City", "Name"});
        AddIndex("parts", "Triple", {"City", "Name", "Id"});
        AddIndex("parts", "ByPrice", {"Price"});
        AddIndex("parts", "ByMade", {"Made"});
        AddIndex("parts", "ByFlag", {"Flag"});
        const char* rows[] = {
            "1, \"Anna\", \"Berlin\", 10.5, #03/15/2001 10:00:00#, True",
            "2, \"anna\", \"Paris\", 20, #03/15/2001 02:30:00#, False",
            "3, \"Bert\", \"北京\", 30, #03/16/2001#, True",
            "4, NULL, \"Paris\", 40, NULL, False",
            "5, \"NULL\", \"Rome\", 50, #03/17/2001#, True",
            "6, \"王小明\", \"上海\", 60, #03/18/2001#, False",
            "7, \"Bz\"\"q\", \"Rome\", 70, #03/19/2001#, True",
        };
        for (const char* row : rows)
            Db->Execute(std::string("INSERT INTO parts (Id, Name, City, Price, Made, Flag) VALUES (") + row + ")");
    }

    void AddIndex(const std::string& table, const std::string& name, const std::vector<std::string>& fields)
    {
        jet::TableDefPtr tableDef = Db->TableDefs().Item(table);
        jet::IndexPtr index = tableDef->CreateIndex(name);
        for (const std::string& field : fields)
            index->Fields().Append(index->CreateField(field));
        tableDef->Indexes().Append(index);
    }

    // The parts table, connected and open as the given type.
    TDaoTable& OpenParts(int tableType)
    {
        if (!Database) {
            MakeParts();
            Connect();
        }
        TDaoTable& table = TableOn("parts", tableType);
        table.Open();
        return table;
    }

    static int IdOf(TDaoTable& table) { return table.FieldByName("Id").AsInteger(); }

    static jet::Variant Date(int year, int month, int day, int hour = 0, int minute = 0)
    {
        return jet::Variant::Date(platform::EncodeDate(year, month, day) + platform::EncodeTime(hour, minute, 0, 0));
    }
};

// A one-dimensional array of variants from 0.
inline jet::Variant KeyArray(const std::vector<jet::Variant>& items)
{
    auto array = jet::SafeArray::Vector(jet::varVariant, 0, static_cast<int>(items.size()) - 1);
    for (std::size_t i = 0; i < items.size(); ++i)
        array->Put({static_cast<int>(i)}, items[i]);
    return jet::Variant::FromArray(array);
}

} // namespace daotabletest
