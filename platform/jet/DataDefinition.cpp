#include "platform/jet/DataDefinition.h"

#include "platform/jet/Collation.h"
#include "platform/jet/EngineImpl.h"

#include <optional>

namespace jet::impl {
namespace {

const std::string DatabaseSource = "DAO.Database";

enum : int {
    errConstraintSyntax = 3289,
    errCreateTableSyntax = 3290,
    errCreateIndexSyntax = 3291,
    errFieldSyntax = 3292,
    errAlterTableSyntax = 3293,
    errNoSuchTableOrConstraint = 3371,
};

std::string SyntaxText(int number)
{
    switch (number) {
    case errConstraintSyntax: return "Syntax error in CONSTRAINT clause.";
    case errCreateTableSyntax: return "Syntax error in CREATE TABLE statement.";
    case errCreateIndexSyntax: return "Syntax error in CREATE INDEX statement.";
    case errFieldSyntax: return "Syntax error in field definition.";
    default: return "Syntax error in ALTER TABLE statement.";
    }
}

struct ColumnSpec {
    std::string Name;
    int Type = 0;
    int Size = 0;
    bool AutoIncrement = false;
    std::optional<std::pair<std::int64_t, std::int64_t>> Numbering;  // COUNTER(first number, step)
    bool Required = false;
    std::string Default;
};

struct KeySpec {
    std::string Name;  // empty: the engine names it
    bool Primary = false;
    bool Unique = false;
    bool DisallowNull = false;
    std::vector<std::pair<std::string, bool>> Columns;  // name, descending
    // FOREIGN KEY ... REFERENCES: a relation to the referenced table's
    // columns (its primary key's when none are named).
    bool Foreign = false;
    std::string References;
    std::vector<std::string> ReferencedColumns;
    int RelationAttributes = 0;
};

// Reads the statement's tokens front to back; every unexpected token raises
// the syntax error of the clause being read.
class Reader {
public:
    Reader(std::string_view text, int statementError) : Text(text), Tokens(sql::Tokenize(text)), Error(statementError)
    {
        while (!Tokens.empty() && Tokens.back().Kind == sql::TokenKind::Operator && Tokens.back().Text == ";")
            Tokens.pop_back();
    }

    bool AtEnd() const { return Position >= Tokens.size(); }
    [[noreturn]] void Fail(int number = 0) const
    {
        const int error = number ? number : Error;
        Raise(error, SyntaxText(error), DatabaseSource);
    }
    bool Accept(std::string_view word)
    {
        if (AtEnd() || Tokens[Position].Kind != sql::TokenKind::Identifier || !SameName(Tokens[Position].Text, word))
            return false;
        ++Position;
        return true;
    }
    bool IsWord(std::string_view word) const
    {
        return !AtEnd() && Tokens[Position].Kind == sql::TokenKind::Identifier && SameName(Tokens[Position].Text, word);
    }
    void Expect(std::string_view word, int number = 0)
    {
        if (!Accept(word))
            Fail(number);
    }
    bool AcceptOp(std::string_view op)
    {
        if (AtEnd() || Tokens[Position].Kind != sql::TokenKind::Operator || Tokens[Position].Text != op)
            return false;
        ++Position;
        return true;
    }
    bool IsOp(std::string_view op) const
    {
        return !AtEnd() && Tokens[Position].Kind == sql::TokenKind::Operator && Tokens[Position].Text == op;
    }
    void ExpectOp(std::string_view op, int number = 0)
    {
        if (!AcceptOp(op))
            Fail(number);
    }
    std::string Name(int number = 0)
    {
        if (AtEnd()
            || (Tokens[Position].Kind != sql::TokenKind::Identifier && Tokens[Position].Kind != sql::TokenKind::Bracketed))
            Fail(number);
        return Tokens[Position++].Text;
    }
    int Number(int number = 0)
    {
        if (AtEnd() || Tokens[Position].Kind != sql::TokenKind::Number)
            Fail(number);
        try {
            return std::stoi(Tokens[Position++].Text);
        } catch (const std::exception&) {
            Fail(number);
        }
    }
    // A whole number with an optional sign.
    std::int64_t SignedNumber(int number = 0)
    {
        const bool negative = AcceptOp("-");
        if (!negative)
            AcceptOp("+");
        if (AtEnd() || Tokens[Position].Kind != sql::TokenKind::Number)
            Fail(number);
        const std::string& digits = Tokens[Position++].Text;
        if (digits.find_first_not_of("0123456789") != std::string::npos)
            Fail(number);
        try {
            const std::int64_t value = std::stoll(digits);
            return negative ? -value : value;
        } catch (const std::exception&) {
            Fail(number);
        }
    }
    void ExpectEnd()
    {
        if (!AtEnd())
            Fail();
    }
    // The statement's own text from token `first` up to the current token.
    std::string TextFrom(std::size_t first) const
    {
        const std::size_t begin = Tokens[first].Offset;
        const std::size_t end = AtEnd() ? Text.size() : Tokens[Position].Offset;
        std::string text(Text.substr(begin, end - begin));
        while (!text.empty() && static_cast<unsigned char>(text.back()) <= ' ')
            text.pop_back();
        return text;
    }
    std::size_t Here() const { return Position; }
    void Skip() { ++Position; }

private:
    std::string_view Text;
    std::vector<sql::Token> Tokens;
    std::size_t Position = 0;
    int Error;
};

// "(a [ASC|DESC], b, ...)"
std::vector<std::pair<std::string, bool>> ReadKeyColumns(Reader& in, int error, bool orderAllowed)
{
    std::vector<std::pair<std::string, bool>> columns;
    in.ExpectOp("(", error);
    do {
        std::string name = in.Name(error);
        bool descending = false;
        if (orderAllowed && in.Accept("DESC"))
            descending = true;
        else if (orderAllowed)
            in.Accept("ASC");
        columns.emplace_back(std::move(name), descending);
    } while (in.AcceptOp(","));
    in.ExpectOp(")", error);
    return columns;
}

// TYPE[(size[, scale])]
void ReadType(Reader& in, ColumnSpec& column)
{
    const std::string typeName = in.Name(errFieldSyntax);
    column.Type = sql::ParameterTypeCode(typeName);
    if (column.Type == 0)
        in.Fail(errFieldSyntax);
    column.AutoIncrement = SameName(typeName, "COUNTER") || SameName(typeName, "AUTOINCREMENT");
    if (!in.AcceptOp("("))
        return;
    if (column.AutoIncrement) {
        const std::int64_t start = in.SignedNumber(errFieldSyntax);
        in.ExpectOp(",", errFieldSyntax);
        const std::int64_t step = in.SignedNumber(errFieldSyntax);
        in.ExpectOp(")", errFieldSyntax);
        column.Numbering.emplace(start, step);
        return;
    }
    const int first = in.Number(errFieldSyntax);
    if (in.AcceptOp(","))
        in.Number(errFieldSyntax);  // the scale of a decimal, which numbers here do not keep
    in.ExpectOp(")", errFieldSyntax);
    if (column.Type == dbText || column.Type == dbBinary)
        column.Size = first;
    else if (column.Type != dbDecimal && column.Type != dbDouble)
        in.Fail(errFieldSyntax);  // a size on a type of fixed size
}

bool EndsColumnClause(const Reader& in)
{
    return in.AtEnd() || in.IsOp(",") || in.IsOp(")") || in.IsWord("NOT") || in.IsWord("CONSTRAINT")
        || in.IsWord("PRIMARY") || in.IsWord("UNIQUE") || in.IsWord("REFERENCES") || in.IsWord("WITH");
}

// [CONSTRAINT name] PRIMARY KEY | UNIQUE | FOREIGN KEY | REFERENCES; false
// when none follows (the name, if any, read). REFERENCES is left for
// ReadReferences.
bool ReadKeyKind(Reader& in, KeySpec& key)
{
    if (in.Accept("CONSTRAINT"))
        key.Name = in.Name(errConstraintSyntax);
    if (in.Accept("PRIMARY")) {
        in.Expect("KEY", errConstraintSyntax);
        key.Primary = key.Unique = true;
        return true;
    }
    if (in.Accept("UNIQUE")) {
        key.Unique = true;
        return true;
    }
    if (in.Accept("FOREIGN")) {
        in.Expect("KEY", errConstraintSyntax);
        key.Foreign = true;
        return true;
    }
    if (in.IsWord("REFERENCES")) {
        key.Foreign = true;
        return true;
    }
    return false;
}

// REFERENCES table [(columns)] [ON UPDATE | ON DELETE CASCADE | NO ACTION]...
void ReadReferences(Reader& in, KeySpec& key)
{
    in.Expect("REFERENCES", errConstraintSyntax);
    key.References = in.Name(errConstraintSyntax);
    if (in.IsOp("("))
        for (auto& [name, descending] : ReadKeyColumns(in, errConstraintSyntax, false))
            key.ReferencedColumns.push_back(std::move(name));
    while (in.Accept("ON")) {
        const int cascade = in.Accept("UPDATE") ? dbRelationUpdateCascade
            : (in.Expect("DELETE", errConstraintSyntax), dbRelationDeleteCascade);
        if (in.Accept("CASCADE")) {
            key.RelationAttributes |= cascade;
        } else {
            in.Expect("NO", errConstraintSyntax);
            in.Expect("ACTION", errConstraintSyntax);
        }
    }
}

// A column definition with its own constraints; keys it declares are added
// to `keys`.
ColumnSpec ReadColumn(Reader& in, std::vector<KeySpec>& keys)
{
    ColumnSpec column;
    column.Name = in.Name(errFieldSyntax);
    ReadType(in, column);
    while (!in.AtEnd() && !in.IsOp(",") && !in.IsOp(")")) {
        if (in.Accept("NOT")) {
            in.Expect("NULL", errFieldSyntax);
            column.Required = true;
        } else if (in.Accept("NULL")) {
        } else if (in.Accept("DEFAULT")) {
            const std::size_t first = in.Here();
            if (in.AtEnd())
                in.Fail(errFieldSyntax);
            in.Skip();
            int depth = 0;
            while (!in.AtEnd() && (depth > 0 || !EndsColumnClause(in))) {
                if (in.IsOp("("))
                    ++depth;
                else if (in.IsOp(")"))
                    --depth;
                in.Skip();
            }
            column.Default = in.TextFrom(first);
        } else if (in.Accept("WITH")) {
            if (!in.Accept("COMPRESSION") && !in.Accept("COMP"))
                in.Fail(errFieldSyntax);  // texts are kept as they are here
        } else {
            KeySpec key;
            if (ReadKeyKind(in, key)) {
                key.Columns.emplace_back(column.Name, false);
                if (key.Foreign)
                    ReadReferences(in, key);
                keys.push_back(std::move(key));
            } else if (in.Accept("NOT")) {
                in.Expect("NULL", errConstraintSyntax);
                column.Required = true;
            } else {
                in.Fail(key.Name.empty() ? errFieldSyntax : errConstraintSyntax);
            }
        }
    }
    return column;
}

// [CONSTRAINT name] PRIMARY KEY (...) | UNIQUE (...) | FOREIGN KEY ...
KeySpec ReadTableConstraint(Reader& in)
{
    KeySpec key;
    if (!ReadKeyKind(in, key))
        in.Fail(errConstraintSyntax);
    key.Columns = ReadKeyColumns(in, errConstraintSyntax, false);
    if (key.Foreign)
        ReadReferences(in, key);
    return key;
}

bool StartsTableConstraint(const Reader& in)
{
    return in.IsWord("CONSTRAINT") || in.IsWord("PRIMARY") || in.IsWord("UNIQUE") || in.IsWord("FOREIGN");
}

// The name the engine gives an unnamed key: "PrimaryKey" or its first
// column's, with a number when an index of the table has it already.
std::string KeyName(const KeySpec& key, const std::vector<std::string>& taken)
{
    const std::string base = key.Primary ? "PrimaryKey" : key.Columns.front().first;
    std::string name = base;
    for (int number = 1;; ++number) {
        bool used = false;
        for (const std::string& other : taken)
            used = used || SameName(other, name);
        if (!used)
            return name;
        name = base + std::to_string(number);
    }
}

void AppendField(const TableDefPtr& table, const ColumnSpec& column)
{
    FieldPtr field = table->CreateField(column.Name, column.Type, column.Size);
    if (column.AutoIncrement)
        field->SetAttributes(dbAutoIncrField);
    if (column.Required)
        field->SetRequired(true);
    if (!column.Default.empty())
        field->SetDefaultValue(column.Default);
    table->Fields().Append(field);
}

// A numbered column's first number and step, once its table is stored.
void ApplyNumbering(DatabaseImpl& database, const std::string& tableName, const ColumnSpec& column)
{
    if (!column.Numbering)
        return;
    const catalog::TableInfo* table = database.Catalog().FindTable(tableName);
    const catalog::ColumnDef* stored = table->FindColumn(column.Name);
    catalog::SetIncrement(database.Sql(), database.CatalogForChange(), table->Id, stored->Id,
                          column.Numbering->first, column.Numbering->second);
}

void AppendIndex(const TableDefPtr& table, KeySpec key)
{
    if (key.Name.empty()) {
        std::vector<std::string> taken;
        for (int i = 0; i < table->Indexes().Count(); ++i)
            taken.push_back(table->Indexes().Item(i)->Name());
        key.Name = KeyName(key, taken);
    }
    if (key.DisallowNull)
        for (const auto& [name, descending] : key.Columns)
            table->Fields().Item(name)->SetRequired(true);
    IndexPtr index = table->CreateIndex(key.Name);
    index->SetPrimary(key.Primary);
    index->SetUnique(key.Unique || key.Primary);
    for (const auto& [name, descending] : key.Columns) {
        FieldPtr field = index->CreateField(name);
        if (descending)
            field->SetAttributes(dbDescending);
        index->Fields().Append(field);
    }
    table->Indexes().Append(index);
}

// A foreign key made a relation through Relations, as a caller of the
// object model makes it. An unnamed one is named after the two tables.
void AppendRelation(DatabaseImpl& database, const std::string& tableName, const KeySpec& key)
{
    const catalog::TableInfo* primary = database.Catalog().FindTable(key.References);
    if (!primary)
        Raise(errNoSuchTableOrConstraint, "Cannot find table or constraint.", DatabaseSource);
    std::vector<std::string> referenced = key.ReferencedColumns;
    if (referenced.empty()) {
        const catalog::IndexDef* primaryKey = primary->PrimaryIndex();
        if (!primaryKey)
            Raise(3372, "No unique index found for the referenced field of the primary table.", DatabaseSource);
        for (const catalog::IndexColumn& column : primaryKey->Columns)
            referenced.push_back(primary->ColumnById(column.ColumnId)->Name);
    }
    if (referenced.size() != key.Columns.size())
        Raise(3368, "Relationship must be on the same number of fields with the same data types.", DatabaseSource);
    std::string name = key.Name;
    for (int number = 0; name.empty(); ++number) {
        const std::string candidate = key.References + tableName + (number ? std::to_string(number) : "");
        if (!database.Catalog().FindRelation(candidate))
            name = candidate;
    }
    RelationPtr relation = database.CreateRelation(name, key.References, tableName, key.RelationAttributes);
    for (std::size_t i = 0; i < referenced.size(); ++i) {
        FieldPtr field = relation->CreateField(referenced[i]);
        field->SetForeignName(key.Columns[i].first);
        relation->Fields().Append(field);
    }
    database.Relations().Append(relation);
}

// The indexes a statement declares on its table, then its relations.
void AppendKeys(DatabaseImpl& database, const TableDefPtr& table, std::vector<KeySpec> keys)
{
    for (KeySpec& key : keys)
        if (!key.Foreign)
            AppendIndex(table, std::move(key));
    for (const KeySpec& key : keys)
        if (key.Foreign)
            AppendRelation(database, table->Name(), key);
}

TableDefPtr StoredTable(DatabaseImpl& database, const std::string& name)
{
    const catalog::TableInfo* table = database.Catalog().FindTable(name);
    if (!table || table->IsSystem())
        Raise(errNoSuchTableOrConstraint, "Cannot find table or constraint.", DatabaseSource);
    if (table->IsLink())
        Raise(3611, "Cannot execute data definition statements on linked data sources.", DatabaseSource);
    return database.TableDefs().Item(name);
}

void CreateTable(DatabaseImpl& database, Reader& in)
{
    const std::string name = in.Name(errCreateTableSyntax);
    std::vector<ColumnSpec> columns;
    std::vector<KeySpec> keys;
    in.ExpectOp("(", errCreateTableSyntax);
    do {
        if (StartsTableConstraint(in))
            keys.push_back(ReadTableConstraint(in));
        else
            columns.push_back(ReadColumn(in, keys));
    } while (in.AcceptOp(","));
    in.ExpectOp(")", errCreateTableSyntax);
    in.ExpectEnd();
    for (std::size_t i = 0; i < columns.size(); ++i)
        for (std::size_t j = 0; j < i; ++j)
            if (SameName(columns[i].Name, columns[j].Name))
                Raise(3191, "Cannot define field more than once.", DatabaseSource);

    TableDefPtr table = database.CreateTableDef(name, 0, "", "");
    for (const ColumnSpec& column : columns)
        AppendField(table, column);
    for (KeySpec& key : keys)
        if (!key.Foreign)
            AppendIndex(table, std::move(key));
    database.TableDefs().Append(table);
    for (const ColumnSpec& column : columns)
        ApplyNumbering(database, name, column);
    for (const KeySpec& key : keys)
        if (key.Foreign)
            AppendRelation(database, name, key);
}

void CreateIndex(DatabaseImpl& database, Reader& in)
{
    KeySpec key;
    key.Unique = in.Accept("UNIQUE");
    in.Expect("INDEX");
    key.Name = in.Name();
    in.Expect("ON");
    const std::string tableName = in.Name();
    key.Columns = ReadKeyColumns(in, errCreateIndexSyntax, true);
    if (in.Accept("WITH")) {
        if (in.Accept("PRIMARY")) {
            key.Primary = key.Unique = true;
        } else if (in.Accept("DISALLOW")) {
            in.Expect("NULL");
            key.DisallowNull = true;
        } else {
            in.Expect("IGNORE");
            in.Expect("NULL");
        }
    }
    in.ExpectEnd();
    AppendIndex(StoredTable(database, tableName), std::move(key));
}

void ChangeColumnType(DatabaseImpl& database, const TableDefPtr& table, const ColumnSpec& column)
{
    const catalog::TableInfo* info = database.Catalog().FindTable(table->Name());
    const catalog::ColumnDef* stored = info->FindColumn(column.Name);
    if (!stored)
        Raise(errItemNotFound, "Item not found in this collection.", DatabaseSource);
    if (column.AutoIncrement && !stored->AutoIncrement())
        Raise(errInvalidOperation, "Invalid operation. A field holding values cannot become numbered.",
              DatabaseSource);
    catalog::ChangeColumnType(database.Sql(), database.CatalogForChange(), info->Id, stored->Id, column.Type,
                              column.Size);
}

void AlterTable(DatabaseImpl& database, Reader& in)
{
    const TableDefPtr table = StoredTable(database, in.Name());
    if (in.Accept("ADD")) {
        if (StartsTableConstraint(in)) {
            AppendKeys(database, table, {ReadTableConstraint(in)});
        } else {
            in.Accept("COLUMN");
            std::vector<KeySpec> keys;
            const ColumnSpec column = ReadColumn(in, keys);
            if (database.Catalog().FindTable(table->Name())->FindColumn(column.Name))
                Raise(3380, "Field '" + column.Name + "' already exists in table '" + table->Name() + "'.",
                      DatabaseSource);
            AppendField(table, column);
            ApplyNumbering(database, table->Name(), column);
            AppendKeys(database, table, std::move(keys));
        }
    } else if (in.Accept("ALTER")) {
        in.Accept("COLUMN");
        ColumnSpec column;
        column.Name = in.Name(errFieldSyntax);
        ReadType(in, column);
        ChangeColumnType(database, table, column);
        // COUNTER(n, step) on a numbered field restarts its numbering at n.
        ApplyNumbering(database, table->Name(), column);
    } else if (in.Accept("DROP")) {
        if (in.Accept("CONSTRAINT")) {
            const std::string name = in.Name(errConstraintSyntax);
            in.ExpectEnd();
            for (int i = 0; i < table->Indexes().Count(); ++i)
                if (SameName(table->Indexes().Item(i)->Name(), name)) {
                    table->Indexes().Delete(name);
                    return;
                }
            const catalog::RelationDef* relation = database.Catalog().FindRelation(name);
            const int tableId = database.Catalog().FindTable(table->Name())->Id;
            if (!relation || !relation->Involves(tableId))
                Raise(errNoSuchTableOrConstraint, "Cannot find table or constraint.", DatabaseSource);
            database.Relations().Delete(name);
            return;
        }
        in.Accept("COLUMN");
        const std::string name = in.Name(errFieldSyntax);
        in.ExpectEnd();
        table->Fields().Delete(name);
        return;
    } else {
        in.Fail();
    }
    in.ExpectEnd();
}

} // namespace

void ExecuteDataDefinition(DatabaseImpl& database, std::string_view statement)
{
    Reader probe(statement, errCreateTableSyntax);
    const bool create = probe.Accept("CREATE");
    Reader in(statement, create ? errCreateTableSyntax : errAlterTableSyntax);
    in.Skip();
    if (create && !in.IsWord("TABLE"))
        in = Reader(statement, errCreateIndexSyntax), in.Skip();
    try {
        sqlite::Savepoint whole(database.Sql(), "jet.ddl");
        if (!create) {
            in.Expect("TABLE");
            AlterTable(database, in);
        } else if (in.Accept("TABLE")) {
            CreateTable(database, in);
        } else {
            CreateIndex(database, in);
        }
        whole.Commit();
    } catch (...) {
        // What the statement changed before it failed is undone; the
        // catalog is read again so that it matches the file.
        database.CatalogForChange() = catalog::Load(database.Sql());
        database.NoteWrite();
        throw;
    }
    database.NoteWrite();
}

} // namespace jet::impl
