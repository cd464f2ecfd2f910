// The table component's operations on the stored table it is bound to: add
// a field or an index, remove a field or the indexes on a field, delete every
// row, and create or extend the stored table from the component's own field
// and index definitions. The schema work is the database component's and the
// table manager's; these methods check the table's state first.
#include "dao/DaoTable.h"

#include "dao/DaoTableManager.h"
#include "dao/Daoutils.h"

using namespace DaoTableMessages;

// The messages of the four checks, and whether the active state is tested
// before the connection.
struct TDaoTable::SchemaChecks {
    const char* NoTableName;
    const char* NoDatabase;
    const char* NotConnected;
    const char* Active;
    bool ActiveBeforeConnected = false;
};

void TDaoTable::CheckSchemaChange(const SchemaChecks& checks) const
{
    if (FTableName.empty())
        DatabaseError(checks.NoTableName);
    if (!FDatabase)
        DatabaseError(checks.NoDatabase);
    if (checks.ActiveBeforeConnected && Active())
        DatabaseError(checks.Active);
    if (!FDatabase->Connected())
        DatabaseError(checks.NotConnected);
    if (Active())
        DatabaseError(checks.Active);
}

bool TDaoTable::CreateField(const std::string& fieldName, int daoFieldType, int fieldSize)
{
    CheckSchemaChange({E2035, E2036, E2037, E2038});
    const auto single = [](const jet::Variant& value) {
        auto array = jet::SafeArray::Vector(jet::varVariant, 0, 0);
        array->Put({0}, value);
        return jet::Variant::FromArray(array);
    };
    try {
        return FDatabase->AddFieldsToTable(FTableName, single(fieldName), single(daoFieldType),
                                           single(DaoSizeToBDESize(daoFieldType, fieldSize)), single(0), single(0));
    } catch (const std::exception&) {
        return false;
    }
}

bool TDaoTable::CreateIndex(const std::string& fieldName, int indexOptions)
{
    CheckSchemaChange({E2039, E2040, E2041, E2042});
    return FDatabase->CreateIndex(FTableName, fieldName, indexOptions);
}

bool TDaoTable::DeleteField(const std::string& fieldName)
{
    CheckSchemaChange({E2043, E2044, E2045, E2046});
    try {
        FDatabase->DeleteField(FTableName, fieldName);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool TDaoTable::DeleteIndex(const std::string& fieldName)
{
    CheckSchemaChange({E2047, E2048, E2050, E2049, true});
    try {
        FDatabase->DeleteIndexByFieldName(FTableName, fieldName);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool TDaoTable::EmptyTable()
{
    if (IsEmpty())
        return true;
    if (FReadOnly)
        DatabaseError(E2064);
    try {
        F_SetBatchMode(true);
        First();
        while (!Eof()) {
            FPostInProgress = true;
            Delete();
            FPostInProgress = false;
        }
        CursorPosChanged();
        Resync();
    } catch (...) {
        FPostInProgress = false;
        Quietly([&] { F_SetBatchMode(false); });
        throw;
    }
    FPostInProgress = false;
    F_SetBatchMode(false);
    return IsEmpty();
}

namespace {

// Creates or extends the stored table through a table manager filled with
// the definitions.
void BuildStoredTable(TDaoDatabase* database, const std::string& tableName, const TFieldDefs& fieldDefs,
                      const TIndexDefs& indexDefs, bool append)
{
    TDaoTableManager manager(database);
    manager.TableName = tableName;
    manager.FieldDefs() = fieldDefs;
    manager.IndexDefs() = indexDefs;
    if (append)
        manager.AppendTable();
    else
        manager.CreateTable();
}

} // namespace

void TDaoTable::CreateTable()
{
    if (Active())
        DatabaseError(E2066);
    if (FTableName.empty())
        DatabaseError(E2067);
    BuildStoredTable(FDatabase, FTableName, FieldDefs(), FIndexDefs, false);
}

void TDaoTable::AppendTable()
{
    if (Active())
        DatabaseError(E2068);
    if (FTableName.empty())
        DatabaseError(E2069);
    BuildStoredTable(FDatabase, FTableName, FieldDefs(), FIndexDefs, true);
}
