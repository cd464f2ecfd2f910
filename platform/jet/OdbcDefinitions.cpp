#include "platform/jet/OdbcDefinitions.h"

#include "platform/jet/Collation.h"
#include "platform/jet/SqliteConnection.h"

#include <algorithm>
#include <cctype>
#include <functional>
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

// Sets a property of a new definition; one of the source keeps its own.
template <class F>
void ChangePending(bool pending, F&& change)
{
    if (!pending)
        RaiseSchemaChange();
    change();
}

// Renames a field or index of the source through its DDL.
using Rename = std::function<void(const std::string& from, const std::string& to)>;

// A field of a table or index definition of the source: set freely while it
// is new (not yet appended); once it is there only its name changes, where
// the owner gives a `rename`.
class OdbcDefinitionField : public Field, public EngineObject {
public:
    OdbcDefinitionField(std::shared_ptr<ErrorState> state, catalog::ColumnDef column, int position,
                        bool pending = false, Rename rename = nullptr)
        : EngineObject(std::move(state)), Column(std::move(column)), Position(position), Pending(pending),
          Renamer(std::move(rename))
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
    void SetName(const std::string& name) override
    {
        if (Pending || !Renamer)
            return Change([&] { Column.Name = name; });
        Guarded([&] {
            Renamer(Column.Name, name);
            Column.Name = name;
        });
    }
    int Type() const override { return Column.Type; }
    void SetType(int type) override { Change([&] { Column.Type = type; }); }
    int Size() const override { return Column.Size; }
    void SetSize(int size) override { Change([&] { Column.Size = size; }); }
    int Attributes() const override { return Column.Attributes; }
    void SetAttributes(int attributes) override { Change([&] { Column.Attributes = attributes; }); }
    bool Required() const override { return Column.Required; }
    // Setting what a field of the source already is changes nothing.
    void SetRequired(bool required) override
    {
        if (Pending || required != Column.Required)
            Change([&] { Column.Required = required; });
    }
    std::string DefaultValue() const override { return Column.DefaultValue; }
    void SetDefaultValue(const std::string& value) override { Change([&] { Column.DefaultValue = value; }); }
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

    const catalog::ColumnDef& Definition() const { return Column; }
    bool IsPending() const { return Pending; }
    void Settle() { Pending = false; }

private:
    template <class F>
    void Change(F&& change)
    {
        Guarded([&] { ChangePending(Pending, change); });
    }
    [[noreturn]] static void Invalid() { Raise(errInvalidOperation, "Invalid operation.", "DAO.Field"); }

    catalog::ColumnDef Column;
    int Position;
    bool Pending;
    Rename Renamer;
    std::unique_ptr<ComputedProperties> Props;
};

// The fields or indexes of a new definition, gathered until it is appended.
template <class T>
class PendingList : public ListCollection<T> {
public:
    void Append(const std::shared_ptr<T>& object) override
    {
        if (!object)
            Raise(errInvalidArgument, "Invalid argument.", TableDefSource);
        for (const auto& item : this->Items)
            if (SameName(item->Name(), object->Name()))
                Raise(errAlreadyInCollection,
                      "Cannot append. An object with that name already exists in the collection.", TableDefSource);
        this->Items.push_back(object);
    }
    void Delete(std::string_view name) override
    {
        auto& items = this->Items;
        const auto found =
            std::find_if(items.begin(), items.end(), [&](const auto& item) { return SameName(item->Name(), name); });
        if (found == items.end())
            Raise(errItemNotFound, "Item not found in this collection.", TableDefSource);
        items.erase(found);
    }
};

// A collection filled from the source's description when first asked for.
template <class T>
class DescribedList : public Collection<T> {
public:
    using Fill = std::function<std::vector<std::shared_ptr<T>>()>;
    using Add = std::function<void(const std::shared_ptr<T>&)>;
    using Remove = std::function<void(std::string_view)>;
    DescribedList(Fill fill, std::function<void()> forget, Add add = nullptr, Remove remove = nullptr)
        : Filler(std::move(fill)), Forget(std::move(forget)), Adder(std::move(add)), Remover(std::move(remove))
    {
    }
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
    // Changes go to the source as its DDL, where the owner allows them.
    void Append(const std::shared_ptr<T>& object) override
    {
        if (!Adder)
            RaiseSchemaChange();
        Adder(object);
        Refresh();
    }
    void Delete(std::string_view name) override
    {
        if (!Remover)
            RaiseSchemaChange();
        Remover(name);
        Refresh();
    }

private:
    const std::vector<std::shared_ptr<T>>& Items() const
    {
        if (!Filled)
            Filled = Filler();
        return *Filled;
    }
    Fill Filler;
    std::function<void()> Forget;
    Add Adder;
    Remove Remover;
    mutable std::optional<std::vector<std::shared_ptr<T>>> Filled;
};

class OdbcIndex : public Index, public EngineObject {
public:
    // A new index, made by CreateIndex.
    OdbcIndex(std::shared_ptr<ErrorState> state, std::string name)
        : EngineObject(std::move(state)), FieldList([] { return std::vector<FieldPtr>(); }, nullptr), Pending(true)
    {
        Definition.Name = std::move(name);
    }
    OdbcIndex(std::shared_ptr<ErrorState> state, const catalog::TableInfo& table, catalog::IndexDef index,
              Rename rename)
        : EngineObject(state), Definition(std::move(index)), Renamer(std::move(rename)),
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
    void SetName(const std::string& name) override
    {
        if (Pending)
            return Change([&] { Definition.Name = name; });
        Guarded([&] {
            Renamer(Definition.Name, name);
            Definition.Name = name;
        });
    }
    bool Primary() const override { return Definition.Primary; }
    void SetPrimary(bool primary) override { Change([&] { Definition.Primary = primary; }); }
    bool Unique() const override { return Definition.Unique; }
    void SetUnique(bool unique) override { Change([&] { Definition.Unique = unique; }); }
    Collection<Field>& Fields() override
    {
        if (Pending)
            return NewFields;
        return FieldList;
    }
    FieldPtr CreateField(const std::string& name) override
    {
        return Guarded([&]() -> FieldPtr {
            if (!Pending)
                RaiseSchemaChange();
            catalog::ColumnDef column;
            column.Name = name;
            return std::make_shared<OdbcDefinitionField>(State, column, 0, true);
        });
    }

    bool IsPending() const { return Pending; }
    void Settle() { Pending = false; }
    // The names of a new index's fields, in order, descending ones marked.
    std::vector<std::pair<std::string, bool>> FieldNames() const
    {
        std::vector<std::pair<std::string, bool>> names;
        for (const FieldPtr& field : NewFields.Items)
            names.emplace_back(field->Name(), (field->Attributes() & dbDescending) != 0);
        return names;
    }

private:
    template <class F>
    void Change(F&& change)
    {
        Guarded([&] { ChangePending(Pending, change); });
    }

    catalog::IndexDef Definition;
    Rename Renamer;
    DescribedList<Field> FieldList;
    PendingList<Field> NewFields;
    bool Pending = false;
};


// ------------------------------------------------- the source's own DDL

// One type the source offers (a row of SQLGetTypeInfo).
struct SourceType {
    std::string Name;
    long long Size = 0;
    std::string Params;  // CREATE_PARAMS: "length", "precision,scale", ...
    bool Numbering = false;
};

std::vector<SourceType> SourceTypes(OdbcDatabaseImpl& database, SQLSMALLINT sqlType)
{
    std::vector<SourceType> types;
    try {
        const auto statement = database.NewStatement();
        statement->TypeInfo(sqlType);
        while (statement->Fetch())
            types.push_back({statement->Text(1), statement->Integer(3), AsciiUpper(statement->Text(6)),
                             statement->Integer(12) == 1});
    } catch (const EngineError&) {
        // A driver that does not list this type offers none of it.
    }
    return types;
}

// The SQL types that can hold a field's type, the closest first.
std::vector<SQLSMALLINT> SqlTypesFor(int daoType)
{
    switch (daoType) {
    case dbBoolean: return {SQL_BIT, SQL_SMALLINT, SQL_INTEGER};
    case dbByte: return {SQL_TINYINT, SQL_SMALLINT, SQL_INTEGER};
    case dbInteger: return {SQL_SMALLINT, SQL_INTEGER};
    case dbLong: return {SQL_INTEGER, SQL_BIGINT};
    case dbBigInt: return {SQL_BIGINT, SQL_DECIMAL, SQL_NUMERIC};
    case dbCurrency:
    case dbDecimal:
    case dbNumeric: return {SQL_DECIMAL, SQL_NUMERIC, SQL_DOUBLE};
    case dbSingle: return {SQL_REAL, SQL_FLOAT, SQL_DOUBLE};
    case dbDouble:
    case dbFloat: return {SQL_DOUBLE, SQL_FLOAT};
    case dbDate:
    case dbTimeStamp: return {SQL_TYPE_TIMESTAMP, SQL_TIMESTAMP, SQL_TYPE_DATE};
    case dbTime: return {SQL_TYPE_TIME, SQL_TIME, SQL_TYPE_TIMESTAMP};
    case dbText: return {SQL_VARCHAR, SQL_WVARCHAR, SQL_CHAR, SQL_LONGVARCHAR};
    case dbChar: return {SQL_CHAR, SQL_WCHAR, SQL_VARCHAR};
    case dbMemo: return {SQL_LONGVARCHAR, SQL_WLONGVARCHAR, SQL_VARCHAR};
    case dbBinary:
    case dbVarBinary: return {SQL_VARBINARY, SQL_BINARY, SQL_LONGVARBINARY};
    case dbLongBinary: return {SQL_LONGVARBINARY, SQL_VARBINARY};
    case dbGUID: return {SQL_GUID, SQL_CHAR};
    default: return {};
    }
}

bool IsDbms(OdbcDatabaseImpl& database, std::string_view name)
{
    return AsciiUpper(database.Connection().DbmsName()).find(name) != std::string::npos;
}

std::string Quoted(OdbcDatabaseImpl& database, const std::string& name)
{
    return odbc::QuoteName(name, database.Connection().IdentifierQuote());
}

// The source's type for a field: the first type the driver offers for the
// closest SQL type, with the field's size where the type takes one.
std::string SourceTypeOf(OdbcDatabaseImpl& database, const catalog::ColumnDef& column)
{
    const bool numbered = (column.Attributes & dbAutoIncrField) != 0;
    // SQLite numbers only its row id, which the key must be.
    if (numbered && IsDbms(database, "SQLITE"))
        return "INTEGER PRIMARY KEY AUTOINCREMENT";
    for (const SQLSMALLINT sqlType : SqlTypesFor(numbered ? dbLong : column.Type)) {
        for (const SourceType& type : SourceTypes(database, sqlType)) {
            if (type.Numbering != numbered)
                continue;
            const bool text = catalog::IsTextType(column.Type) || column.Type == dbBinary || column.Type == dbVarBinary
                || column.Type == dbGUID;
            if (type.Params.find("PRECISION") != std::string::npos && type.Params.find("SCALE") != std::string::npos)
                return type.Name + (column.Type == dbCurrency ? "(19,4)" : column.Type == dbBigInt ? "(19,0)" : "(18,0)");
            if (text && type.Params.find("LENGTH") != std::string::npos) {
                long long size = column.Type == dbGUID ? 38 : column.Size > 0 ? column.Size : 255;
                if (type.Size > 0 && size > type.Size)
                    continue;
                return type.Name + "(" + std::to_string(size) + ")";
            }
            return type.Name;
        }
    }
    if (numbered)
        RaiseNotSupported("Numbered fields at an ODBC source whose driver offers no numbering type");
    Raise(3259, "Invalid field data type.", TableDefSource);
}

// A field's default in the source's SQL: a number, or a text in single quotes.
std::string SourceDefault(const std::string& value)
{
    std::string text = odbc::Trimmed(value);
    if (!text.empty() && text.front() == '=')
        text = odbc::Trimmed(text.substr(1));
    if (IsNumber(text))
        return text;
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"') {
        std::string quoted = "'";
        for (std::size_t i = 1; i + 1 < text.size(); ++i) {
            if (text[i] == '"' && i + 2 < text.size() && text[i + 1] == '"')
                ++i;
            quoted += text[i] == '\'' ? std::string("''") : std::string(1, text[i]);
        }
        return quoted + "'";
    }
    return "";
}

std::string ColumnSql(OdbcDatabaseImpl& database, const catalog::ColumnDef& column)
{
    catalog::CheckName(column.Name);
    std::string sql = Quoted(database, column.Name) + " " + SourceTypeOf(database, column);
    if (column.Required)
        sql += " NOT NULL";
    if (const std::string value = SourceDefault(column.DefaultValue); !value.empty())
        sql += " DEFAULT " + value;
    return sql;
}

std::string IndexColumnsSql(OdbcDatabaseImpl& database, const std::vector<std::pair<std::string, bool>>& fields)
{
    if (fields.empty())
        Raise(errInvalidOperation, "Invalid operation. An index needs at least one field.", TableDefSource);
    std::string sql;
    for (const auto& [name, descending] : fields)
        sql += (sql.empty() ? "" : ", ") + Quoted(database, name) + (descending ? " DESC" : "");
    return "(" + sql + ")";
}

// A key on a table that is there becomes a unique index: not every source
// can add a primary key to a table it holds.
std::string CreateIndexSql(OdbcDatabaseImpl& database, const std::string& table, const Index& index,
                           const std::vector<std::pair<std::string, bool>>& fields)
{
    return std::string(index.Unique() || index.Primary() ? "CREATE UNIQUE INDEX " : "CREATE INDEX ")
        + Quoted(database, index.Name()) + " ON " + Quoted(database, table) + " " + IndexColumnsSql(database, fields);
}

// The statement that made an index of an SQLite source, naming `to`
// instead: made anew from it, the index keeps its conditions and
// collations. Empty where the source keeps none (its own key) or the
// statement is not of the plain form CREATE [UNIQUE] INDEX [IF NOT EXISTS]
// name ON ....
std::string SqliteIndexSqlNamed(OdbcDatabaseImpl& database, const std::string& index, const std::string& to)
{
    std::string sql;
    try {
        const auto statement = database.NewStatement();
        statement->ExecDirect("SELECT sql FROM sqlite_master WHERE type = 'index' AND name = "
                              + sqlite::QuoteText(index));
        if (statement->Fetch())
            sql = statement->Text(1);
    } catch (const EngineError&) {
        return "";
    }
    std::size_t at = 0;
    const auto isNamePart = [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || static_cast<unsigned char>(c) >= 0x80;
    };
    const auto skipSpace = [&] {
        while (at < sql.size() && std::isspace(static_cast<unsigned char>(sql[at])))
            ++at;
    };
    const auto word = [&](std::string_view expected) {
        skipSpace();
        const std::size_t end = at + expected.size();
        if (end > sql.size() || AsciiUpper(sql.substr(at, expected.size())) != expected
            || (end < sql.size() && isNamePart(sql[end])))
            return false;
        at = end;
        return true;
    };
    if (!word("CREATE"))
        return "";
    word("UNIQUE");
    if (!word("INDEX") || (word("IF") && !(word("NOT") && word("EXISTS"))))
        return "";
    skipSpace();
    const std::size_t start = at;
    // The name, quoted ("", [], ``) or bare, a schema's before a dot.
    for (;;) {
        if (at >= sql.size())
            return "";
        const char open = sql[at];
        const char close = open == '"' || open == '`' ? open : open == '[' ? ']' : '\0';
        if (close) {
            for (++at;; ++at) {
                if (at >= sql.size())
                    return "";
                if (sql[at] != close)
                    continue;
                if (close != ']' && at + 1 < sql.size() && sql[at + 1] == close) {
                    ++at;
                    continue;
                }
                ++at;
                break;
            }
        } else {
            while (at < sql.size() && isNamePart(sql[at]))
                ++at;
        }
        if (at < sql.size() && sql[at] == '.') {
            ++at;
            continue;
        }
        break;
    }
    if (at == start || !word("ON"))
        return "";
    return sql.substr(0, start) + Quoted(database, to) + " " + sql.substr(at - 2);
}

void RunDdl(OdbcDatabaseImpl& database, const std::string& sql)
{
    database.CheckOpen();
    if (database.IsReadOnly())
        Raise(errReadOnly, "Cannot update. Database or object is read-only.", TableDefSource);
    database.Connection().Exec(sql);
    database.NoteChange();
}

class OdbcTableDef : public TableDef, public EngineObject {
public:
    // A table of the source, or (`pending`) a new one that TableDefs.Append
    // creates there.
    OdbcTableDef(std::shared_ptr<OdbcDatabaseImpl> database, std::string table, bool system, bool pending = false)
        : EngineObject(database->Errors()), Db(std::move(database)), Table(std::move(table)), System(system),
          Pending(pending),
          FieldList([this] { return MakeFields(); }, [this] { Forget(); },
                    [this](const FieldPtr& field) { AddField(field); },
                    [this](std::string_view name) { RunDdl(*Db, "ALTER TABLE " + Quoted(*Db, Table) + " DROP COLUMN "
                                                                    + Quoted(*Db, std::string(name))); }),
          IndexList([this] { return MakeIndexes(); }, [this] { Forget(); },
                    [this](const IndexPtr& index) { AddIndex(index); },
                    [this](std::string_view name) { DropIndex(std::string(name)); })
    {
    }

    std::string Name() const override { return Table; }
    // A table that is there is renamed at the source at once.
    void SetName(const std::string& name) override
    {
        Guarded([&] {
            if (!Pending) {
                catalog::CheckName(name);
                RunDdl(*Db, "ALTER TABLE " + Quoted(*Db, Table) + " RENAME TO " + Quoted(*Db, name));
                Db->ForgetTables();
                FieldList.Refresh();
                IndexList.Refresh();
            }
            Table = name;
        });
    }
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
    Collection<Field>& Fields() override
    {
        if (Pending)
            return NewFields;
        return FieldList;
    }
    Collection<Index>& Indexes() override
    {
        if (Pending)
            return NewIndexes;
        return IndexList;
    }
    // New fields and indexes, for a new table or one of the source.
    FieldPtr CreateField(const std::string& name, int type, int size) override
    {
        return Guarded([&]() -> FieldPtr {
            catalog::ColumnDef column;
            column.Name = name;
            column.Type = type;
            column.Size = size;
            column.Attributes = FieldAttributes(type, false);
            return std::make_shared<OdbcDefinitionField>(State, column, 0, true);
        });
    }
    IndexPtr CreateIndex(const std::string& name) override
    {
        return Guarded([&]() -> IndexPtr { return std::make_shared<OdbcIndex>(State, name); });
    }
    // A source does not say when its tables were made.
    Variant DateCreated() const override { return Variant::Null(); }
    Variant LastUpdated() const override { return Variant::Null(); }

    // Creates the new table at the source: CREATE TABLE with its fields and
    // primary key, then CREATE INDEX for the other indexes; a failure leaves
    // no table behind.
    void Create()
    {
        if (!Pending)
            Raise(errAlreadyInCollection, "Cannot append. An object with that name already exists in the collection.",
                  TableDefSource);
        catalog::CheckName(Table);
        if (NewFields.Items.empty())
            Raise(3264, "No field defined--cannot append TableDef or Index.", TableDefSource);
        std::string columns;
        std::string numbered;
        for (const FieldPtr& field : NewFields.Items) {
            const auto& column = static_cast<const OdbcDefinitionField&>(*field).Definition();
            columns += (columns.empty() ? "" : ", ") + ColumnSql(*Db, column);
            if ((column.Attributes & dbAutoIncrField) != 0)
                numbered = column.Name;
        }
        std::vector<const OdbcIndex*> others;
        for (const IndexPtr& index : NewIndexes.Items) {
            const auto& pending = static_cast<const OdbcIndex&>(*index);
            const auto fields = pending.FieldNames();
            // A numbered key of SQLite is its column's own.
            const bool ownKey = fields.size() == 1 && !numbered.empty() && SameName(fields[0].first, numbered)
                && IsDbms(*Db, "SQLITE");
            if (pending.Primary() && !ownKey)
                columns += ", PRIMARY KEY " + IndexColumnsSql(*Db, fields);
            else if (!pending.Primary())
                others.push_back(&pending);
        }
        RunDdl(*Db, "CREATE TABLE " + Quoted(*Db, Table) + " (" + columns + ")");
        try {
            for (const OdbcIndex* index : others)
                RunDdl(*Db, CreateIndexSql(*Db, Table, *index, index->FieldNames()));
        } catch (...) {
            try {
                RunDdl(*Db, "DROP TABLE " + Quoted(*Db, Table));
            } catch (const EngineError&) {
                // The first failure is the one to report.
            }
            throw;
        }
        Pending = false;
        Forget();
    }

private:
    void AddField(const FieldPtr& field)
    {
        const auto* pending = dynamic_cast<OdbcDefinitionField*>(field.get());
        if (!pending || !pending->IsPending())
            Raise(errInvalidArgument, "Invalid argument.", TableDefSource);
        RunDdl(*Db, "ALTER TABLE " + Quoted(*Db, Table) + " ADD " + ColumnSql(*Db, pending->Definition()));
    }
    void AddIndex(const IndexPtr& index)
    {
        const auto* pending = dynamic_cast<OdbcIndex*>(index.get());
        if (!pending || !pending->IsPending())
            Raise(errInvalidArgument, "Invalid argument.", TableDefSource);
        RunDdl(*Db, CreateIndexSql(*Db, Table, *pending, pending->FieldNames()));
    }
    void DropIndex(const std::string& name)
    {
        // MySQL and MariaDB name the table of the index; the others do not.
        const bool named = IsDbms(*Db, "MYSQL") || IsDbms(*Db, "MARIADB");
        RunDdl(*Db, "DROP INDEX " + Quoted(*Db, name) + (named ? " ON " + Quoted(*Db, Table) : ""));
    }

    // A source without ALTER INDEX ... RENAME gets the index anew under the
    // new name before the old one goes, so that a failure leaves the old.
    static void RenameIndex(OdbcDatabaseImpl& db, const catalog::TableInfo& table, const catalog::IndexDef& index,
                            const std::string& to)
    {
        catalog::CheckName(to);
        if (IsDbms(db, "POSTGRES"))
            return RunDdl(db, "ALTER INDEX " + Quoted(db, index.Name) + " RENAME TO " + Quoted(db, to));
        if (IsDbms(db, "MYSQL") || IsDbms(db, "MARIADB"))
            return RunDdl(db, "ALTER TABLE " + Quoted(db, table.Name) + " RENAME INDEX " + Quoted(db, index.Name)
                                  + " TO " + Quoted(db, to));
        std::string create = IsDbms(db, "SQLITE") ? SqliteIndexSqlNamed(db, index.Name, to) : "";
        if (create.empty()) {
            std::vector<std::pair<std::string, bool>> fields;
            for (const catalog::IndexColumn& member : index.Columns)
                if (const catalog::ColumnDef* column = table.ColumnById(member.ColumnId))
                    fields.emplace_back(column->Name, member.Descending);
            create = std::string(index.Unique ? "CREATE UNIQUE INDEX " : "CREATE INDEX ") + Quoted(db, to) + " ON "
                + Quoted(db, table.Name) + " " + IndexColumnsSql(db, fields);
        }
        RunDdl(db, create);
        try {
            RunDdl(db, "DROP INDEX " + Quoted(db, index.Name));
        } catch (...) {
            try {
                RunDdl(db, "DROP INDEX " + Quoted(db, to));
            } catch (const EngineError&) {
                // The first failure is the one to report.
            }
            throw;
        }
    }

    std::vector<FieldPtr> MakeFields()
    {
        return Guarded([&] {
            const Rename rename = [db = Db, table = Table](const std::string& from, const std::string& to) {
                catalog::CheckName(to);
                RunDdl(*db, "ALTER TABLE " + Quoted(*db, table) + " RENAME COLUMN " + Quoted(*db, from) + " TO "
                                + Quoted(*db, to));
                db->ForgetDescription(table);
            };
            std::vector<FieldPtr> fields;
            for (const catalog::ColumnDef& column : Db->Describe(Table).Columns)
                fields.push_back(std::make_shared<OdbcDefinitionField>(State, column, static_cast<int>(fields.size()),
                                                                       false, rename));
            return fields;
        });
    }
    std::vector<IndexPtr> MakeIndexes()
    {
        return Guarded([&] {
            const catalog::TableInfo& table = Db->Describe(Table);
            std::vector<IndexPtr> indexes;
            for (const catalog::IndexDef& index : table.Indexes)
                indexes.push_back(std::make_shared<OdbcIndex>(
                    State, table, index, [db = Db, table, index](const std::string&, const std::string& to) {
                        RenameIndex(*db, table, index, to);
                        db->ForgetDescription(table.Name);
                    }));
            return indexes;
        });
    }
    void Forget() { Db->ForgetDescription(Table); }

    std::shared_ptr<OdbcDatabaseImpl> Db;
    std::string Table;
    bool System;
    bool Pending;
    DescribedList<Field> FieldList;
    DescribedList<Index> IndexList;
    PendingList<Field> NewFields;
    PendingList<Index> NewIndexes;
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
    RaiseNotSupported("Changes to a definition that an ODBC source already has, other than its name (execute the "
                      "source's own statement with dbSQLPassThrough)");
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

TableDefPtr MakeNewOdbcTableDef(std::shared_ptr<OdbcDatabaseImpl> database, const std::string& name)
{
    return std::make_shared<OdbcTableDef>(std::move(database), name, false, true);
}

void CreateOdbcTable(const TableDefPtr& tableDef)
{
    auto* table = dynamic_cast<OdbcTableDef*>(tableDef.get());
    if (!table)
        Raise(errInvalidArgument, "Invalid argument.", TableDefSource);
    table->Create();
}

void DropOdbcTable(OdbcDatabaseImpl& database, const std::string& table)
{
    RunDdl(database, "DROP TABLE " + Quoted(database, table));
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
