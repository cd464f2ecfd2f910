#include "platform/jet/OdbcDefinitions.h"

#include "platform/jet/Collation.h"

#include <algorithm>
#include <cctype>
#include <map>

namespace jet::impl {
namespace {

const std::string TableDefSource = "DAO.TableDef";

bool IsNumber(const std::string& text)
{
    std::size_t i = text.empty() || (text[0] != '-' && text[0] != '+') ? 0 : 1;
    bool digits = false, point = false;
    for (; i < text.size(); ++i) {
        if (std::isdigit(static_cast<unsigned char>(text[i])))
            digits = true;
        else if (text[i] == '.' && !point)
            point = true;
        else
            return false;
    }
    return digits;
}

// A column default of the source (COLUMN_DEF) in the engine's dialect, as
// a plain number or "text"; a default the source computes (a function, a
// sequence) is the source's to apply and gives no default here.
std::string EngineDefault(std::string text, int daoType)
{
    const std::size_t first = text.find_first_not_of(" \t\r\n(");
    if (first == std::string::npos)
        return "";
    text = text.substr(first, text.find_last_not_of(" \t\r\n)") - first + 1);
    // A cast of the value ('x'::character varying) says nothing more.
    if (const std::size_t cast = text.rfind("::"); cast != std::string::npos && text.front() == '\'')
        text = text.substr(0, cast);
    if (SameName(text, "NULL"))
        return "";
    std::string value;
    if (text.size() >= 2 && text.front() == '\'' && text.back() == '\'') {
        for (std::size_t i = 1; i + 1 < text.size(); ++i) {
            value += text[i];
            if (text[i] == '\'' && i + 2 < text.size() && text[i + 1] == '\'')
                ++i;
        }
    } else if (IsNumber(text)) {
        return daoType == dbText || daoType == dbMemo ? "\"" + text + "\"" : text;
    } else if (catalog::IsTextType(daoType) && text.find_first_of("()") == std::string::npos
               && AsciiUpper(text).rfind("CURRENT_", 0) != 0) {
        value = text;  // drivers that give a text default without its quotes
    } else {
        return "";
    }
    if (!catalog::IsTextType(daoType))
        return IsNumber(value) ? value : "";
    std::string quoted = "\"";
    for (char c : value)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

int FieldAttributes(int daoType, bool autoIncrement)
{
    const bool variable = catalog::IsTextType(daoType) || daoType == dbBinary || daoType == dbLongBinary
        || daoType == dbVarBinary;
    return (variable ? dbVariableField : dbFixedField) | (autoIncrement ? dbAutoIncrField : 0);
}

// A field of a table or index definition of the source: read-only.
class OdbcDefinitionField : public Field, public EngineObject {
public:
    OdbcDefinitionField(std::shared_ptr<ErrorState> state, catalog::ColumnDef column, int position)
        : EngineObject(std::move(state)), Column(std::move(column)), Position(position)
    {
        Props = std::make_unique<ComputedProperties>([this] {
            return std::vector<PropertyPtr>{
                std::make_shared<ValueProperty>("Name", dbText, Variant(Column.Name)),
                std::make_shared<ValueProperty>("Type", dbInteger, Variant::Smallint(static_cast<std::int16_t>(Column.Type))),
                std::make_shared<ValueProperty>("Size", dbLong, Variant(Column.Size)),
                std::make_shared<ValueProperty>("Attributes", dbLong, Variant(Column.Attributes)),
                std::make_shared<ValueProperty>("Required", dbBoolean, Variant(Column.Required)),
                std::make_shared<ValueProperty>("DefaultValue", dbText, Variant(Column.DefaultValue)),
                std::make_shared<ValueProperty>("OrdinalPosition", dbInteger,
                                                Variant::Smallint(static_cast<std::int16_t>(Position))),
            };
        });
    }

    std::string Name() const override { return Column.Name; }
    void SetName(const std::string&) override { Refuse(); }
    int Type() const override { return Column.Type; }
    void SetType(int) override { Refuse(); }
    int Size() const override { return Column.Size; }
    void SetSize(int) override { Refuse(); }
    int Attributes() const override { return Column.Attributes; }
    void SetAttributes(int) override { Refuse(); }
    bool Required() const override { return Column.Required; }
    void SetRequired(bool) override { Refuse(); }
    std::string DefaultValue() const override { return Column.DefaultValue; }
    void SetDefaultValue(const std::string&) override { Refuse(); }
    int OrdinalPosition() const override { return Position; }
    std::string SourceTable() const override { return ""; }
    std::string SourceField() const override { return ""; }
    Variant Value() const override { return Guarded([]() -> Variant { Invalid(); }); }
    void SetValue(const Variant&) override { Guarded([] { Invalid(); }); }
    long FieldSize() const override { return Guarded([]() -> long { Invalid(); }); }
    Collection<Property>& Properties() override { return *Props; }
    PropertyPtr CreateProperty(const std::string&, int, const Variant&) override
    {
        return Guarded([]() -> PropertyPtr { RaiseSchemaChange(); });
    }

private:
    void Refuse() const { Guarded([] { RaiseSchemaChange(); }); }
    [[noreturn]] static void Invalid() { Raise(errInvalidOperation, "Invalid operation.", "DAO.Field"); }

    catalog::ColumnDef Column;
    int Position;
    std::unique_ptr<ComputedProperties> Props;
};

// A collection filled from the source's description when first asked for.
template <class T>
class DescribedList : public Collection<T> {
public:
    using Fill = std::function<std::vector<std::shared_ptr<T>>()>;
    DescribedList(Fill fill, std::function<void()> forget) : Filler(std::move(fill)), Forget(std::move(forget)) {}
    int Count() const override { return static_cast<int>(Items().size()); }
    std::shared_ptr<T> Item(int index) const override
    {
        const auto& items = Items();
        if (index < 0 || index >= static_cast<int>(items.size()))
            Raise(errItemNotFound, "Item not found in this collection.", TableDefSource);
        return items[static_cast<std::size_t>(index)];
    }
    using Collection<T>::Item;
    void Refresh() override
    {
        Filled.reset();
        if (Forget)
            Forget();
    }
    void Append(const std::shared_ptr<T>&) override { RaiseSchemaChange(); }
    void Delete(std::string_view) override { RaiseSchemaChange(); }

private:
    const std::vector<std::shared_ptr<T>>& Items() const
    {
        if (!Filled)
            Filled = Filler();
        return *Filled;
    }
    Fill Filler;
    std::function<void()> Forget;
    mutable std::optional<std::vector<std::shared_ptr<T>>> Filled;
};

class OdbcIndex : public Index, public EngineObject {
public:
    OdbcIndex(std::shared_ptr<ErrorState> state, const catalog::TableInfo& table, catalog::IndexDef index)
        : EngineObject(state), Definition(std::move(index)),
          FieldList(
              [state, table, definition = Definition] {
                  std::vector<FieldPtr> fields;
                  for (const catalog::IndexColumn& member : definition.Columns) {
                      const catalog::ColumnDef* column = table.ColumnById(member.ColumnId);
                      if (!column)
                          continue;
                      catalog::ColumnDef copy = *column;
                      copy.Attributes = member.Descending ? dbDescending : 0;
                      fields.push_back(std::make_shared<OdbcDefinitionField>(state, copy,
                                                                             static_cast<int>(fields.size())));
                  }
                  return fields;
              },
              nullptr)
    {
    }

    std::string Name() const override { return Definition.Name; }
    void SetName(const std::string&) override { Guarded([] { RaiseSchemaChange(); }); }
    bool Primary() const override { return Definition.Primary; }
    void SetPrimary(bool) override { Guarded([] { RaiseSchemaChange(); }); }
    bool Unique() const override { return Definition.Unique; }
    void SetUnique(bool) override { Guarded([] { RaiseSchemaChange(); }); }
    Collection<Field>& Fields() override { return FieldList; }
    FieldPtr CreateField(const std::string&) override
    {
        return Guarded([]() -> FieldPtr { RaiseSchemaChange(); });
    }

private:
    catalog::IndexDef Definition;
    DescribedList<Field> FieldList;
};

class OdbcTableDef : public TableDef, public EngineObject {
public:
    OdbcTableDef(std::shared_ptr<OdbcDatabaseImpl> database, std::string table, bool system)
        : EngineObject(database->Errors()), Db(std::move(database)), Table(std::move(table)), System(system),
          FieldList([this] { return MakeFields(); }, [this] { Forget(); }),
          IndexList([this] { return MakeIndexes(); }, [this] { Forget(); })
    {
    }

    std::string Name() const override { return Table; }
    void SetName(const std::string&) override { Guarded([] { RaiseSchemaChange(); }); }
    int Attributes() const override { return System ? dbSystemObject : 0; }
    void SetAttributes(int) override { Guarded([] { RaiseSchemaChange(); }); }
    std::string Connect() const override { return ""; }
    void SetConnect(const std::string&) override { Guarded([] { RaiseSchemaChange(); }); }
    std::string SourceTableName() const override { return ""; }
    void SetSourceTableName(const std::string&) override { Guarded([] { RaiseSchemaChange(); }); }
    void RefreshLink() override
    {
        Guarded([] { Raise(errInvalidOperation, "Invalid operation.", TableDefSource); });
    }
    Collection<Field>& Fields() override { return FieldList; }
    Collection<Index>& Indexes() override { return IndexList; }
    FieldPtr CreateField(const std::string&, int, int) override
    {
        return Guarded([]() -> FieldPtr { RaiseSchemaChange(); });
    }
    IndexPtr CreateIndex(const std::string&) override
    {
        return Guarded([]() -> IndexPtr { RaiseSchemaChange(); });
    }
    // A source does not say when its tables were made.
    Variant DateCreated() const override { return Variant::Null(); }
    Variant LastUpdated() const override { return Variant::Null(); }

private:
    std::vector<FieldPtr> MakeFields()
    {
        return Guarded([&] {
            std::vector<FieldPtr> fields;
            for (const catalog::ColumnDef& column : Db->Describe(Table).Columns)
                fields.push_back(
                    std::make_shared<OdbcDefinitionField>(State, column, static_cast<int>(fields.size())));
            return fields;
        });
    }
    std::vector<IndexPtr> MakeIndexes()
    {
        return Guarded([&] {
            const catalog::TableInfo& table = Db->Describe(Table);
            std::vector<IndexPtr> indexes;
            for (const catalog::IndexDef& index : table.Indexes)
                indexes.push_back(std::make_shared<OdbcIndex>(State, table, index));
            return indexes;
        });
    }
    void Forget() { Db->ForgetDescription(Table); }

    std::shared_ptr<OdbcDatabaseImpl> Db;
    std::string Table;
    bool System;
    DescribedList<Field> FieldList;
    DescribedList<Index> IndexList;
};

class OdbcQueryDef : public QueryDef, public EngineObject {
public:
    OdbcQueryDef(const std::shared_ptr<OdbcDatabaseImpl>& database, std::string name, std::string sql)
        : EngineObject(database->Errors()), Owner(database), NameValue(std::move(name)), SqlValue(std::move(sql))
    {
    }

    std::string Name() const override { return NameValue; }
    void SetName(const std::string& name) override
    {
        Guarded([&] {
            Database();
            catalog::CheckName(name);
            NameValue = name;
        });
    }
    std::string SQL() const override { return SqlValue; }
    void SetSQL(const std::string& sql) override
    {
        Guarded([&] {
            if (!sql.empty())
                Database()->Translate(sql, false);
            SqlValue = sql;
        });
    }
    int Type() const override
    {
        return Guarded([&] {
            return SqlValue.empty() ? static_cast<int>(dbQSelect)
                                    : QueryTypeOf(Database()->Translate(SqlValue, false).Kind);
        });
    }
    Collection<Parameter>& Parameters() override
    {
        Guarded([&] { SyncParameters(); });
        return ParameterList;
    }
    void Execute(int options) override
    {
        Guarded([&] {
            SyncParameters();
            Database()->ExecuteStatement(SqlValue, Values(), (options & dbSQLPassThrough) != 0);
        });
    }
    RecordsetPtr OpenRecordset(int type, int options, int lockEdits) override
    {
        return Guarded([&] {
            SyncParameters();
            return Database()->OpenStatement(SqlValue, NameValue.empty() ? SqlValue : NameValue, type, options,
                                             lockEdits, Values(), Max);
        });
    }
    long MaxRecords() const override { return Max; }
    void SetMaxRecords(long rows) override
    {
        Guarded([&] {
            if (rows < 0)
                Raise(errInvalidArgument, "Invalid argument.", "DAO.QueryDef");
            Max = rows;
        });
    }
    int ODBCTimeout() const override { return Timeout; }
    void SetODBCTimeout(int seconds) override { Timeout = seconds; }
    Variant DateCreated() const override { return Variant::Null(); }
    Variant LastUpdated() const override { return Variant::Null(); }
    void Close() override
    {
        Guarded([&] {
            if (auto database = Owner.lock())
                database->ForgetQueryDef(NameValue);
            Owner.reset();
        });
    }

private:
    std::shared_ptr<OdbcDatabaseImpl> Database() const
    {
        std::shared_ptr<OdbcDatabaseImpl> database = Owner.lock();
        if (!database || database->IsClosed())
            RaiseClosed();
        return database;
    }
    void SyncParameters()
    {
        if (SqlValue == ParametersOf && !ParameterList.Items.empty())
            return;
        std::vector<sql::DeclaredParameter> declared;
        if (!SqlValue.empty())
            declared = Database()->Translate(SqlValue, false).Parameters;
        ParameterList.Items = RenewParameters(ParameterList.Items, declared, State);
        ParametersOf = SqlValue;
    }
    std::vector<Variant> Values() const
    {
        std::vector<Variant> values;
        for (const auto& parameter : ParameterList.Items)
            values.push_back(parameter->Value());
        return values;
    }

    std::weak_ptr<OdbcDatabaseImpl> Owner;
    std::string NameValue;
    std::string SqlValue;
    long Max = 0;
    int Timeout = 60;
    ListCollection<Parameter> ParameterList;
    std::string ParametersOf;
};

// The auto-increment columns of a table: those the driver marks in a result
// of the table's columns.
std::vector<std::string> AutoIncrementColumns(OdbcDatabaseImpl& database, const std::string& table)
{
    std::vector<std::string> columns;
    try {
        const auto statement = database.NewStatement();
        statement->ExecDirect("SELECT * FROM " + odbc::QuoteName(table, database.Connection().IdentifierQuote())
                              + " WHERE 1 = 0");
        for (int i = 1, n = statement->ColumnCount(); i <= n; ++i) {
            const odbc::ColumnShape shape = statement->Describe(i);
            if (shape.AutoIncrement)
                columns.push_back(shape.Name);
        }
    } catch (const EngineError&) {
        // A source that cannot say: no column counts as numbered.
    }
    return columns;
}

} // namespace

void RaiseSchemaChange()
{
    RaiseNotSupported("Changes to the definitions of an ODBC source through its TableDefs (Execute its own "
                      "statements with dbSQLPassThrough)");
}

catalog::TableInfo DescribeOdbcTable(OdbcDatabaseImpl& database, const std::string& table)
{
    catalog::TableInfo info;
    info.Name = table;
    const std::vector<std::string> numbered = AutoIncrementColumns(database, table);
    {
        const auto statement = database.NewStatement();
        statement->Columns(table);
        while (statement->Fetch()) {
            // Some drivers match the name as a pattern: "a_b" finds "axb" too.
            if (statement->Text(3) != table)
                continue;
            catalog::ColumnDef column;
            column.Name = statement->Text(4);
            const auto sqlType = static_cast<SQLSMALLINT>(statement->Integer(5));
            const auto size = static_cast<SQLULEN>(std::max(statement->Integer(7), 0LL));
            const auto digits = static_cast<SQLSMALLINT>(statement->Integer(9));
            column.Type = odbc::DaoType(sqlType, size, digits);
            column.Size = odbc::DaoSize(column.Type, size);
            column.Required = statement->Integer(11, SQL_NULLABLE) == SQL_NO_NULLS;
            column.DefaultValue = EngineDefault(statement->Text(13), column.Type);
            const bool autoIncrement = std::find(numbered.begin(), numbered.end(), column.Name) != numbered.end();
            column.Attributes = FieldAttributes(column.Type, autoIncrement);
            if (autoIncrement)
                column.DefaultValue.clear();
            column.Id = static_cast<int>(info.Columns.size()) + 1;
            info.Columns.push_back(std::move(column));
        }
    }
    // The primary key: its columns in key order, and its name.
    std::map<long long, std::string> keyColumns;
    std::string keyName;
    try {
        const auto statement = database.NewStatement();
        statement->PrimaryKeys(table);
        while (statement->Fetch()) {
            keyColumns[statement->Integer(5)] = statement->Text(4);
            keyName = statement->Text(6, keyName);
        }
    } catch (const EngineError&) {
        // A driver without primary keys: the unique indexes below serve.
    }
    std::vector<int> keyIds;
    for (const auto& [sequence, name] : keyColumns)
        if (const catalog::ColumnDef* column = info.FindColumn(name))
            keyIds.push_back(column->Id);
    // The indexes, each with its columns in order.
    try {
        const auto statement = database.NewStatement();
        statement->Statistics(table);
        std::map<std::string, std::map<long long, catalog::IndexColumn>> columnsOf;
        std::vector<std::string> order;
        std::map<std::string, bool> unique;
        while (statement->Fetch()) {
            if (statement->Integer(7) == SQL_TABLE_STAT)
                continue;
            const std::string name = statement->Text(6);
            const catalog::ColumnDef* column = info.FindColumn(statement->Text(9));
            if (name.empty() || !column)
                continue;  // an index on an expression, which no field stands for
            if (!columnsOf.count(name))
                order.push_back(name);
            unique[name] = statement->Integer(4, 1) == 0;
            columnsOf[name][statement->Integer(8)] = catalog::IndexColumn{column->Id, statement->Text(10) == "D"};
        }
        for (const std::string& name : order) {
            catalog::IndexDef index;
            index.Id = static_cast<int>(info.Indexes.size()) + 1;
            index.Name = name;
            index.Unique = unique[name];
            for (const auto& [position, member] : columnsOf[name])
                index.Columns.push_back(member);
            std::vector<int> ids;
            for (const catalog::IndexColumn& member : index.Columns)
                ids.push_back(member.ColumnId);
            index.Primary = index.Unique && !keyIds.empty() && ids == keyIds;
            info.Indexes.push_back(std::move(index));
        }
    } catch (const EngineError&) {
        // A driver without index information: the primary key below serves.
    }
    const bool keyListed = std::any_of(info.Indexes.begin(), info.Indexes.end(),
                                       [](const catalog::IndexDef& index) { return index.Primary; });
    if (!keyIds.empty() && !keyListed) {
        catalog::IndexDef key;
        key.Id = static_cast<int>(info.Indexes.size()) + 1;
        key.Name = keyName.empty() ? "PrimaryKey" : keyName;
        key.Primary = key.Unique = true;
        for (int id : keyIds)
            key.Columns.push_back(catalog::IndexColumn{id, false});
        info.Indexes.push_back(std::move(key));
    }
    return info;
}

TableDefPtr MakeOdbcTableDef(std::shared_ptr<OdbcDatabaseImpl> database, const std::string& table, bool system)
{
    return std::make_shared<OdbcTableDef>(std::move(database), table, system);
}

QueryDefPtr MakeOdbcQueryDef(std::shared_ptr<OdbcDatabaseImpl> database, const std::string& name,
                             const std::string& sql)
{
    return database->Guarded([&] {
        if (!name.empty())
            catalog::CheckName(name);
        if (!sql.empty())
            database->Translate(sql, false);
        return std::make_shared<OdbcQueryDef>(database, name, sql);
    });
}

} // namespace jet::impl
