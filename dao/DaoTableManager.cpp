#include "dao/DaoTableManager.h"

#include "dao/DaoTableValues.h"
#include "dao/Daoutils.h"
#include "platform/jet/Collation.h"

namespace msg = DaoDatabaseMessages;

namespace {

const char* const MissingTableName = "Missing TableName!";

// An array of `count` variants, bounds 0 .. count - 1.
std::shared_ptr<jet::SafeArray> VariantArray(int count)
{
    return jet::SafeArray::Vector(jet::varVariant, 0, count - 1);
}

void AppendIndexFields(jet::Index& index, const std::string& fieldList)
{
    platform::TStringList names;
    StringToList(fieldList, names);
    for (const std::string& name : names)
        index.Fields().Append(index.CreateField(name));
}

} // namespace

TDaoTableManager::TDaoTableManager(TDaoDatabase* database)
    : Database(database)
{
}

bool TDaoTableManager::CheckStatus() const
{
    if (!Database)
        DatabaseError(msg::E1032);
    if (!Database->Connected())
        DatabaseError(msg::E1025);
    if (TableName.empty())
        DatabaseError(MissingTableName);
    return true;
}

void TDaoTableManager::CreateTable()
{
    BuildTable(false);
}

void TDaoTableManager::AppendTable()
{
    BuildTable(true);
}

void TDaoTableManager::BuildTable(bool append)
{
    CheckStatus();
    const int count = FieldDefs().Count();
    auto names = VariantArray(count);
    auto types = VariantArray(count);
    auto sizes = VariantArray(count);
    auto indexes = VariantArray(count);
    auto required = VariantArray(count);
    for (int i = 0; i < count; ++i) {
        const TFieldDef& definition = FieldDefs()[i];
        const int type = BDEToDao(definition.DataType);
        names->Put({i}, definition.Name);
        types->Put({i}, type);
        sizes->Put({i}, DaoSizeToBDESize(type, definition.Size));
        indexes->Put({i}, 0);
        required->Put({i}, definition.Required ? 1 : 0);
    }
    const auto variant = [](const std::shared_ptr<jet::SafeArray>& array) { return jet::Variant::FromArray(array); };
    if (append)
        Database->AddFieldsToTable(TableName, variant(names), variant(types), variant(sizes), variant(indexes),
                                   variant(required));
    else
        Database->CreateTable(TableName, variant(names), variant(types), variant(sizes), variant(indexes),
                              variant(required));
    CreateIndex();
}

void TDaoTableManager::CreateIndex()
{
    if (IndexDefs().Count() == 0)
        return;
    CheckStatus();
    const jet::TableDefPtr tableDef = Database->DatabaseObject->TableDefs().Item(TableName);

    bool hasPrimary = false;
    std::string primaryName;
    for (const TIndexDef& definition : IndexDefs())
        if (definition.Options & ixPrimary) {
            hasPrimary = true;
            primaryName = definition.Name;
        }
    if (jet::LowerCase(Database->DatabaseType()).find("paradox") != std::string::npos)
        primaryName = TableName;
    // A primary definition without a name (as a Paradox table's has) gets
    // the name the database component gives primary keys.
    if (primaryName.empty())
        primaryName = "PrimaryKey";

    if (hasPrimary) {
        if (Database->HasPrimaryKey(tableDef))
            Database->DeletePrimaryKey(tableDef);
        const jet::IndexPtr primary = tableDef->CreateIndex(primaryName);
        primary->SetPrimary(true);
        for (const TIndexDef& definition : IndexDefs())
            if (definition.Options & ixPrimary)
                AppendIndexFields(*primary, definition.Fields);
        tableDef->Indexes().Append(primary);
    }

    for (const TIndexDef& definition : IndexDefs()) {
        const unsigned options = definition.Options;
        if (options != 0 && options != ixUnique && options != (ixPrimary | ixUnique))
            continue;
        platform::TStringList fields;
        StringToList(definition.Fields, fields);
        const std::string name = !definition.Name.empty() ? definition.Name
            : fields.Count() > 0                          ? fields[0]
                                                          : std::string();
        if (hasPrimary && jet::SameName(name, primaryName))
            continue;
        const jet::IndexPtr index = tableDef->CreateIndex(name);
        if (options & ixUnique)
            index->SetUnique(true);
        AppendIndexFields(*index, definition.Fields);
        tableDef->Indexes().Append(index);
    }
    Database->RefreshDefinitions();
}
