// Table, field, index and query definitions and their parameters and
// properties. A definition made by a Create... member lives in memory until it
// is appended; from then on it stands for the stored object (found by its id,
// so a rename does not lose it) and every change goes to the file at once.
#include "platform/jet/EngineImpl.h"
#include "platform/jet/FormatDatabase.h"

#include "platform/jet/Collation.h"
#include "platform/jet/OdbcDatabase.h"

#include <algorithm>

namespace jet::impl {
namespace {

const std::string TableDefSource = "DAO.TableDef";
const std::string FieldSource = "DAO.Field";

[[noreturn]] void InvalidOperation(const std::string& source)
{
    Raise(errInvalidOperation, "Invalid operation.", source);
}

[[noreturn]] void AlreadyInCollection()
{
    Raise(errAlreadyInCollection, "Cannot append. An object with that name already exists in the collection.",
          TableDefSource);
}

void CheckNameIfGiven(const std::string& name)
{
    if (!name.empty())
        catalog::CheckName(name);
}

// ---------------------------------------------------------------- property

class PropertyImpl : public Property, public EngineObject {
public:
    PropertyImpl(std::shared_ptr<ErrorState> state, catalog::PropertyDef definition)
        : EngineObject(std::move(state)), Definition(std::move(definition))
    {
    }
    std::string Name() const override { return Definition.Name; }
    int Type() const override { return Definition.Type; }
    Variant Value() const override { return Definition.Value; }
    void SetValue(const Variant& value) override
    {
        Guarded([&] {
            if (Db) {
                catalog::PropertyDef changed = Definition;
                changed.Value = value;
                catalog::SetProperty(Db->Sql(), Db->CatalogForChange(), TableId, ColumnId, changed);
            }
            Definition.Value = value;
        });
    }
    void Bind(std::shared_ptr<DatabaseImpl> database, int tableId, int columnId)
    {
        Db = std::move(database);
        TableId = tableId;
        ColumnId = columnId;
    }
    const catalog::PropertyDef& Def() const { return Definition; }

private:
    catalog::PropertyDef Definition;
    std::shared_ptr<DatabaseImpl> Db;
    int TableId = 0;
    int ColumnId = 0;
};

// ------------------------------------------------------------------- field

class DefinitionField;

class FieldPropertyCollection : public Collection<Property> {
public:
    explicit FieldPropertyCollection(DefinitionField& owner) : Owner(owner) {}
    int Count() const override;
    PropertyPtr Item(int index) const override;
    using Collection<Property>::Item;
    void Append(const PropertyPtr& object) override;

private:
    std::vector<PropertyPtr> Items() const;
    DefinitionField& Owner;
};

// A field of a table definition or of an index.
class DefinitionField : public Field, public EngineObject, public std::enable_shared_from_this<DefinitionField> {
public:
    enum class Role { TableField, IndexField };

    DefinitionField(std::shared_ptr<DatabaseImpl> database, Role role, catalog::ColumnDef data)
        : EngineObject(database->Errors()), Db(std::move(database)), FieldRole(role), Data(std::move(data)),
          Props(*this)
    {
    }

    std::string Name() const override
    {
        return Guarded([&] {
            if (!IsBound())
                return Data.Name;
            return Column().Name;
        });
    }
    void SetName(const std::string& name) override
    {
        Guarded([&] {
            catalog::CheckName(name);
            if (!IsBound()) {
                Data.Name = name;
                return;
            }
            if (FieldRole == Role::IndexField)
                InvalidOperation(FieldSource);
            catalog::RenameColumn(Db->Sql(), Db->CatalogForChange(), TableId, ColumnId, name);
            Db->NoteWrite();
        });
    }
    int Type() const override
    {
        return Guarded([&] { return IsBound() ? Column().Type : Data.Type; });
    }
    void SetType(int type) override
    {
        Guarded([&] {
            if (IsBound())
                InvalidOperation(FieldSource);
            Data.Type = type;
        });
    }
    int Size() const override
    {
        return Guarded([&] { return IsBound() ? Column().Size : Data.Size; });
    }
    void SetSize(int size) override
    {
        Guarded([&] {
            if (IsBound())
                InvalidOperation(FieldSource);
            Data.Size = size;
        });
    }
    int Attributes() const override
    {
        return Guarded([&] {
            if (!IsBound())
                return Data.Attributes;
            if (FieldRole == Role::IndexField)
                return IndexColumn().Descending ? static_cast<int>(dbDescending) : 0;
            return Column().Attributes;
        });
    }
    void SetAttributes(int attributes) override
    {
        Guarded([&] {
            if (IsBound())
                InvalidOperation(FieldSource);
            Data.Attributes = attributes;
        });
    }
    bool Required() const override
    {
        return Guarded([&] { return IsBound() ? Column().Required : Data.Required; });
    }
    void SetRequired(bool required) override
    {
        Guarded([&] {
            if (!IsBound()) {
                Data.Required = required;
                return;
            }
            if (FieldRole == Role::IndexField)
                InvalidOperation(FieldSource);
            catalog::SetRequired(Db->Sql(), Db->CatalogForChange(), TableId, ColumnId, required);
            Db->NoteWrite();
        });
    }
    std::string DefaultValue() const override
    {
        return Guarded([&] { return IsBound() ? Column().DefaultValue : Data.DefaultValue; });
    }
    void SetDefaultValue(const std::string& expression) override
    {
        Guarded([&] {
            if (!IsBound()) {
                catalog::DefaultSql(Data.Type, expression);
                Data.DefaultValue = expression;
                return;
            }
            if (FieldRole == Role::IndexField)
                InvalidOperation(FieldSource);
            catalog::SetDefault(Db->Sql(), Db->CatalogForChange(), TableId, ColumnId, expression);
            Db->NoteWrite();
        });
    }
    int OrdinalPosition() const override
    {
        return Guarded([&] {
            if (!IsBound())
                return 0;
            const catalog::TableInfo& table = Table();
            const catalog::ColumnDef& column = Column();
            return static_cast<int>(&column - table.Columns.data());
        });
    }
    std::string SourceTable() const override
    {
        return Guarded([&] { return IsBound() ? Table().Name : std::string(); });
    }
    std::string SourceField() const override
    {
        return Guarded([&] { return IsBound() ? Column().Name : std::string(); });
    }
    Variant Value() const override
    {
        return Guarded([&]() -> Variant { InvalidOperation(FieldSource); });
    }
    void SetValue(const Variant&) override
    {
        Guarded([&] { InvalidOperation(FieldSource); });
    }
    long FieldSize() const override
    {
        return Guarded([&]() -> long { InvalidOperation(FieldSource); });
    }
    Collection<Property>& Properties() override { return Props; }
    PropertyPtr CreateProperty(const std::string& name, int type, const Variant& value) override
    {
        return Guarded([&]() -> PropertyPtr {
            if (FieldRole == Role::IndexField)
                InvalidOperation(FieldSource);
            catalog::CheckName(name);
            return std::make_shared<PropertyImpl>(State, catalog::PropertyDef{name, type, value});
        });
    }

    bool IsBound() const { return TableId != 0; }
    Role FieldKind() const { return FieldRole; }
    catalog::ColumnDef& Pending() { return Data; }
    std::vector<std::shared_ptr<PropertyImpl>>& PendingProperties() { return NewProperties; }
    void BindColumn(int tableId, int columnId)
    {
        TableId = tableId;
        ColumnId = columnId;
        for (const auto& property : NewProperties)
            property->Bind(Db, tableId, columnId);
        NewProperties.clear();
    }
    void BindIndexColumn(int tableId, int indexId, std::size_t position)
    {
        TableId = tableId;
        IndexId = indexId;
        Position = position;
    }
    DatabaseImpl& Database() const { return *Db; }
    std::shared_ptr<DatabaseImpl> DatabasePtr() const { return Db; }
    int Table_Id() const { return TableId; }
    int Column_Id() const { return FieldRole == Role::TableField ? ColumnId : IndexColumn().ColumnId; }
    std::vector<PropertyPtr> BuiltIn() const
    {
        return {
            std::make_shared<ValueProperty>("Name", dbText, Variant(Name())),
            std::make_shared<ValueProperty>("Type", dbInteger, Variant::Smallint(static_cast<std::int16_t>(Type()))),
            std::make_shared<ValueProperty>("Size", dbLong, Variant(Size())),
            std::make_shared<ValueProperty>("Attributes", dbLong, Variant(Attributes())),
            std::make_shared<ValueProperty>("Required", dbBoolean, Variant(Required())),
            std::make_shared<ValueProperty>("DefaultValue", dbText, Variant(DefaultValue())),
            std::make_shared<ValueProperty>("OrdinalPosition", dbInteger,
                                            Variant::Smallint(static_cast<std::int16_t>(OrdinalPosition()))),
        };
    }

private:
    const catalog::TableInfo& Table() const
    {
        const catalog::TableInfo* table = Db->Catalog().TableById(TableId);
        if (!table)
            RaiseClosed();
        return *table;
    }
    const catalog::IndexColumn& IndexColumn() const
    {
        for (const catalog::IndexDef& index : Table().Indexes)
            if (index.Id == IndexId && Position < index.Columns.size())
                return index.Columns[Position];
        RaiseClosed();
    }
    const catalog::ColumnDef& Column() const
    {
        const catalog::TableInfo& table = Table();
        const int id = FieldRole == Role::TableField ? ColumnId : IndexColumn().ColumnId;
        const catalog::ColumnDef* column = table.ColumnById(id);
        if (!column)
            RaiseClosed();
        return *column;
    }

    std::shared_ptr<DatabaseImpl> Db;
    Role FieldRole;
    catalog::ColumnDef Data;
    std::vector<std::shared_ptr<PropertyImpl>> NewProperties;
    int TableId = 0;
    int ColumnId = 0;
    int IndexId = 0;
    std::size_t Position = 0;
    FieldPropertyCollection Props;
};

std::vector<PropertyPtr> FieldPropertyCollection::Items() const
{
    std::vector<PropertyPtr> items = Owner.BuiltIn();
    if (!Owner.IsBound()) {
        for (const auto& property : Owner.PendingProperties())
            items.push_back(property);
        return items;
    }
    if (Owner.FieldKind() == DefinitionField::Role::IndexField)
        return items;
    const catalog::TableInfo* table = Owner.Database().Catalog().TableById(Owner.Table_Id());
    const catalog::ColumnDef* column = table ? table->ColumnById(Owner.Column_Id()) : nullptr;
    if (column) {
        for (const catalog::PropertyDef& definition : column->Properties) {
            auto property = std::make_shared<PropertyImpl>(Owner.Errors(), definition);
            property->Bind(Owner.DatabasePtr(), Owner.Table_Id(), Owner.Column_Id());
            items.push_back(property);
        }
    }
    return items;
}

int FieldPropertyCollection::Count() const
{
    return Owner.Guarded([&] { return static_cast<int>(Items().size()); });
}

PropertyPtr FieldPropertyCollection::Item(int index) const
{
    return Owner.Guarded([&] {
        const std::vector<PropertyPtr> items = Items();
        if (index < 0 || index >= static_cast<int>(items.size()))
            Raise(errItemNotFound, "Item not found in this collection.", FieldSource);
        return items[static_cast<std::size_t>(index)];
    });
}

void FieldPropertyCollection::Append(const PropertyPtr& object)
{
    Owner.Guarded([&] {
        auto property = std::dynamic_pointer_cast<PropertyImpl>(object);
        if (!property || Owner.FieldKind() == DefinitionField::Role::IndexField)
            InvalidOperation(FieldSource);
        for (const PropertyPtr& existing : Items())
            if (SameName(existing->Name(), property->Name()))
                AlreadyInCollection();
        if (!Owner.IsBound()) {
            Owner.PendingProperties().push_back(property);
            return;
        }
        catalog::AddProperty(Owner.Database().Sql(), Owner.Database().CatalogForChange(), Owner.Table_Id(),
                             Owner.Column_Id(), property->Def());
        property->Bind(Owner.DatabasePtr(), Owner.Table_Id(), Owner.Column_Id());
    });
}

// ------------------------------------------------------------------- index

class IndexImpl;

class IndexFieldCollection : public Collection<Field> {
public:
    explicit IndexFieldCollection(IndexImpl& owner) : Owner(owner) {}
    int Count() const override;
    FieldPtr Item(int index) const override;
    using Collection<Field>::Item;
    void Append(const FieldPtr& object) override;

private:
    IndexImpl& Owner;
};

class IndexImpl : public Index, public EngineObject {
public:
    IndexImpl(std::shared_ptr<DatabaseImpl> database, std::string name)
        : EngineObject(database->Errors()), Db(std::move(database)), NameValue(std::move(name)), FieldList(*this)
    {
    }

    std::string Name() const override
    {
        return Guarded([&] { return IsBound() ? Stored().Name : NameValue; });
    }
    void SetName(const std::string& name) override
    {
        Guarded([&] {
            catalog::CheckName(name);
            if (!IsBound()) {
                NameValue = name;
                return;
            }
            catalog::RenameIndex(Db->Sql(), Db->CatalogForChange(), TableId, IndexId, name);
        });
    }
    bool Primary() const override
    {
        return Guarded([&] { return IsBound() ? Stored().Primary : PrimaryValue; });
    }
    void SetPrimary(bool primary) override
    {
        Guarded([&] {
            if (IsBound())
                InvalidOperation("DAO.Index");
            PrimaryValue = primary;
        });
    }
    bool Unique() const override
    {
        return Guarded([&] { return IsBound() ? Stored().Unique : UniqueValue || PrimaryValue; });
    }
    void SetUnique(bool unique) override
    {
        Guarded([&] {
            if (IsBound())
                InvalidOperation("DAO.Index");
            UniqueValue = unique;
        });
    }
    Collection<Field>& Fields() override { return FieldList; }
    FieldPtr CreateField(const std::string& name) override
    {
        return Guarded([&]() -> FieldPtr {
            CheckNameIfGiven(name);
            catalog::ColumnDef data;
            data.Name = name;
            return std::make_shared<DefinitionField>(Db, DefinitionField::Role::IndexField, data);
        });
    }

    bool IsBound() const { return TableId != 0; }
    const catalog::IndexDef& Stored() const
    {
        const catalog::TableInfo* table = Db->Catalog().TableById(TableId);
        if (table)
            for (const catalog::IndexDef& index : table->Indexes)
                if (index.Id == IndexId)
                    return index;
        RaiseClosed();
    }
    void Bind(int tableId, int indexId)
    {
        TableId = tableId;
        IndexId = indexId;
        for (std::size_t i = 0; i < NewFields.size(); ++i)
            NewFields[i]->BindIndexColumn(tableId, indexId, i);
    }
    // The catalog entry of a new index over the given table.
    catalog::IndexDef Describe(const catalog::TableInfo& table) const
    {
        catalog::IndexDef index;
        index.Name = NameValue;
        index.Primary = PrimaryValue;
        index.Unique = UniqueValue || PrimaryValue;
        for (const auto& field : NewFields) {
            const catalog::ColumnDef* column = table.FindColumn(field->Pending().Name);
            if (!column)
                Raise(errItemNotFound, "Item not found in this collection. (No field '" + field->Pending().Name
                                           + "' in table '" + table.Name + "')",
                      "DAO.Index");
            index.Columns.push_back({column->Id, (field->Pending().Attributes & dbDescending) != 0});
        }
        return index;
    }

    std::shared_ptr<DatabaseImpl> Db;
    std::string NameValue;
    bool PrimaryValue = false;
    bool UniqueValue = false;
    std::vector<std::shared_ptr<DefinitionField>> NewFields;
    int TableId = 0;
    int IndexId = 0;

private:
    IndexFieldCollection FieldList;
};

int IndexFieldCollection::Count() const
{
    return Owner.Guarded([&] {
        return static_cast<int>(Owner.IsBound() ? Owner.Stored().Columns.size() : Owner.NewFields.size());
    });
}

FieldPtr IndexFieldCollection::Item(int index) const
{
    return Owner.Guarded([&]() -> FieldPtr {
        if (index < 0 || index >= Count())
            Raise(errItemNotFound, "Item not found in this collection.", "DAO.Index");
        if (!Owner.IsBound())
            return Owner.NewFields[static_cast<std::size_t>(index)];
        auto field = std::make_shared<DefinitionField>(Owner.Db, DefinitionField::Role::IndexField,
                                                       catalog::ColumnDef());
        field->BindIndexColumn(Owner.TableId, Owner.IndexId, static_cast<std::size_t>(index));
        return field;
    });
}

void IndexFieldCollection::Append(const FieldPtr& object)
{
    Owner.Guarded([&] {
        auto field = std::dynamic_pointer_cast<DefinitionField>(object);
        if (!field || field->IsBound() || Owner.IsBound())
            InvalidOperation("DAO.Index");
        catalog::CheckName(field->Pending().Name);
        for (const auto& existing : Owner.NewFields)
            if (SameName(existing->Pending().Name, field->Pending().Name))
                AlreadyInCollection();
        Owner.NewFields.push_back(field);
    });
}

// ---------------------------------------------------------------- tabledef

class TableDefImpl;

class TableFieldCollection : public Collection<Field> {
public:
    explicit TableFieldCollection(TableDefImpl& owner) : Owner(owner) {}
    int Count() const override;
    FieldPtr Item(int index) const override;
    using Collection<Field>::Item;
    void Refresh() override;
    void Append(const FieldPtr& object) override;
    void Delete(std::string_view name) override;

private:
    TableDefImpl& Owner;
};

class TableIndexCollection : public Collection<Index> {
public:
    explicit TableIndexCollection(TableDefImpl& owner) : Owner(owner) {}
    int Count() const override;
    IndexPtr Item(int index) const override;
    using Collection<Index>::Item;
    void Refresh() override;
    void Append(const IndexPtr& object) override;
    void Delete(std::string_view name) override;

private:
    TableDefImpl& Owner;
};

class TableDefImpl : public TableDef, public EngineObject {
public:
    TableDefImpl(std::shared_ptr<DatabaseImpl> database, int tableId)
        : EngineObject(database->Errors()), Db(std::move(database)), TableId(tableId), FieldList(*this),
          IndexList(*this)
    {
    }

    std::string Name() const override
    {
        return Guarded([&] { return IsBound() ? Table().Name : NameValue; });
    }
    void SetName(const std::string& name) override
    {
        Guarded([&] {
            catalog::CheckName(name);
            if (!IsBound()) {
                NameValue = name;
                return;
            }
            catalog::RenameTable(Db->Sql(), Db->CatalogForChange(), TableId, name);
            Db->NoteWrite();
        });
    }
    int Attributes() const override
    {
        return Guarded([&] { return IsBound() ? Table().Attributes : AttributesValue; });
    }
    void SetAttributes(int attributes) override
    {
        Guarded([&] {
            if (IsBound())
                InvalidOperation(TableDefSource);
            AttributesValue = attributes;
        });
    }
    std::string Connect() const override
    {
        return Guarded([&] {
            if (!IsBound())
                return ConnectValue;
            return PendingConnect.empty() ? Table().Connect : PendingConnect;
        });
    }
    void SetConnect(const std::string& connect) override
    {
        Guarded([&] {
            if (!IsBound()) {
                ConnectValue = connect;
                return;
            }
            if (!Table().IsLink())
                InvalidOperation(TableDefSource);
            PendingConnect = connect;
        });
    }
    std::string SourceTableName() const override
    {
        return Guarded([&] { return IsBound() ? Table().SourceTable : SourceValue; });
    }
    void SetSourceTableName(const std::string& name) override
    {
        Guarded([&] {
            if (IsBound())
                InvalidOperation(TableDefSource);
            SourceValue = name;
        });
    }
    void RefreshLink() override
    {
        Guarded([&] {
            if (!IsBound() || !Table().IsLink())
                InvalidOperation(TableDefSource);
            const std::string connect = PendingConnect.empty() ? Table().Connect : PendingConnect;
            catalog::TableInfo probe = Table();
            probe.Connect = connect;
            if (DatabaseImpl::IsOdbcLink(probe)) {
                probe.Connect = Db->PrepareOdbcLink(probe);  // reads the source's definition again
            } else {
                probe.Connect = NormalizedLinkConnect(connect);
                Db->LinkedTable(probe);
            }
            catalog::SetLink(Db->Sql(), Db->CatalogForChange(), TableId, probe.Connect, probe.SourceTable);
            PendingConnect.clear();
            Db->NoteWrite();
        });
    }
    Collection<Field>& Fields() override { return FieldList; }
    Collection<Index>& Indexes() override { return IndexList; }
    FieldPtr CreateField(const std::string& name, int type, int size) override
    {
        return Guarded([&]() -> FieldPtr {
            CheckNameIfGiven(name);
            catalog::ColumnDef data;
            data.Name = name;
            data.Type = type;
            data.Size = size;
            return std::make_shared<DefinitionField>(Db, DefinitionField::Role::TableField, data);
        });
    }
    IndexPtr CreateIndex(const std::string& name) override
    {
        return Guarded([&]() -> IndexPtr {
            CheckNameIfGiven(name);
            return std::make_shared<IndexImpl>(Db, name);
        });
    }
    Variant DateCreated() const override
    {
        return Guarded([&] { return IsBound() ? Variant::Date(Table().Created) : Variant::Null(); });
    }
    Variant LastUpdated() const override
    {
        return Guarded([&] { return IsBound() ? Variant::Date(Table().Updated) : Variant::Null(); });
    }

    bool IsBound() const { return TableId != 0; }
    const catalog::TableInfo& Table() const
    {
        const catalog::TableInfo* table = Db->Catalog().TableById(TableId);
        if (!table)
            RaiseClosed();
        return *table;
    }
    void CheckWritable() const
    {
        const catalog::TableInfo& table = Table();
        if (table.IsSystem() || table.IsLink())
            Raise(errReadOnly, "Cannot update. Database or object is read-only.", TableDefSource);
    }

    std::shared_ptr<DatabaseImpl> Db;
    int TableId;
    std::string NameValue;
    int AttributesValue = 0;
    std::string ConnectValue;
    std::string SourceValue;
    std::string PendingConnect;
    std::vector<std::shared_ptr<DefinitionField>> NewFields;
    std::vector<std::shared_ptr<IndexImpl>> NewIndexes;

private:
    TableFieldCollection FieldList;
    TableIndexCollection IndexList;
};

int TableFieldCollection::Count() const
{
    return Owner.Guarded([&] {
        if (!Owner.IsBound())
            return static_cast<int>(Owner.NewFields.size());
        const catalog::TableInfo& table = Owner.Table();
        return static_cast<int>(table.IsLink() ? Owner.Db->LinkedTable(table).Columns.size() : table.Columns.size());
    });
}

FieldPtr TableFieldCollection::Item(int index) const
{
    return Owner.Guarded([&]() -> FieldPtr {
        if (index < 0 || index >= Count())
            Raise(errItemNotFound, "Item not found in this collection.", TableDefSource);
        if (!Owner.IsBound())
            return Owner.NewFields[static_cast<std::size_t>(index)];
        const catalog::TableInfo& table = Owner.Table();
        if (table.IsLink()) {
            // A linked table's fields are read-only copies of the source's.
            auto field = std::make_shared<DefinitionField>(Owner.Db, DefinitionField::Role::TableField,
                                                           Owner.Db->LinkedTable(table).Columns[static_cast<std::size_t>(index)]);
            return field;
        }
        auto field = std::make_shared<DefinitionField>(Owner.Db, DefinitionField::Role::TableField,
                                                       catalog::ColumnDef());
        field->BindColumn(Owner.TableId, table.Columns[static_cast<std::size_t>(index)].Id);
        return field;
    });
}

void TableFieldCollection::Refresh()
{
    if (Owner.IsBound())
        Owner.Db->RefreshCatalog();
}

void TableFieldCollection::Append(const FieldPtr& object)
{
    Owner.Guarded([&] {
        auto field = std::dynamic_pointer_cast<DefinitionField>(object);
        if (!field || field->IsBound() || field->FieldKind() != DefinitionField::Role::TableField)
            InvalidOperation(TableDefSource);
        catalog::CheckName(field->Pending().Name);
        if (!Owner.IsBound()) {
            for (const auto& existing : Owner.NewFields)
                if (SameName(existing->Pending().Name, field->Pending().Name))
                    AlreadyInCollection();
            Owner.NewFields.push_back(field);
            return;
        }
        Owner.CheckWritable();
        catalog::ColumnDef column = field->Pending();
        for (const auto& property : field->PendingProperties())
            column.Properties.push_back(property->Def());
        catalog::AddColumn(Owner.Db->Sql(), Owner.Db->CatalogForChange(), Owner.TableId, column);
        Owner.Db->NoteWrite();
        field->BindColumn(Owner.TableId, Owner.Table().FindColumn(column.Name)->Id);
    });
}

void TableFieldCollection::Delete(std::string_view name)
{
    Owner.Guarded([&] {
        if (!Owner.IsBound()) {
            auto& fields = Owner.NewFields;
            const auto found = std::find_if(fields.begin(), fields.end(),
                                            [&](const auto& field) { return SameName(field->Pending().Name, name); });
            if (found == fields.end())
                Raise(errItemNotFound, "Item not found in this collection.", TableDefSource);
            fields.erase(found);
            return;
        }
        Owner.CheckWritable();
        const catalog::ColumnDef* column = Owner.Table().FindColumn(name);
        if (!column)
            Raise(errItemNotFound, "Item not found in this collection.", TableDefSource);
        catalog::DropColumn(Owner.Db->Sql(), Owner.Db->CatalogForChange(), Owner.TableId, column->Id);
        Owner.Db->NoteWrite();
    });
}

int TableIndexCollection::Count() const
{
    return Owner.Guarded([&] {
        return static_cast<int>(Owner.IsBound() ? Owner.Table().Indexes.size() : Owner.NewIndexes.size());
    });
}

IndexPtr TableIndexCollection::Item(int index) const
{
    return Owner.Guarded([&]() -> IndexPtr {
        if (index < 0 || index >= Count())
            Raise(errItemNotFound, "Item not found in this collection.", TableDefSource);
        if (!Owner.IsBound())
            return Owner.NewIndexes[static_cast<std::size_t>(index)];
        auto stored = std::make_shared<IndexImpl>(Owner.Db, "");
        stored->Bind(Owner.TableId, Owner.Table().Indexes[static_cast<std::size_t>(index)].Id);
        return stored;
    });
}

void TableIndexCollection::Refresh()
{
    if (Owner.IsBound())
        Owner.Db->RefreshCatalog();
}

void TableIndexCollection::Append(const IndexPtr& object)
{
    Owner.Guarded([&] {
        auto index = std::dynamic_pointer_cast<IndexImpl>(object);
        if (!index || index->IsBound())
            InvalidOperation(TableDefSource);
        catalog::CheckName(index->NameValue);
        if (!Owner.IsBound()) {
            for (const auto& existing : Owner.NewIndexes)
                if (SameName(existing->NameValue, index->NameValue))
                    AlreadyInCollection();
            Owner.NewIndexes.push_back(index);
            return;
        }
        Owner.CheckWritable();
        const catalog::IndexDef definition = index->Describe(Owner.Table());
        catalog::AddIndex(Owner.Db->Sql(), Owner.Db->CatalogForChange(), Owner.TableId, definition);
        Owner.Db->NoteWrite();
        index->Bind(Owner.TableId, Owner.Table().FindIndex(definition.Name)->Id);
    });
}

void TableIndexCollection::Delete(std::string_view name)
{
    Owner.Guarded([&] {
        if (!Owner.IsBound()) {
            auto& indexes = Owner.NewIndexes;
            const auto found = std::find_if(indexes.begin(), indexes.end(),
                                            [&](const auto& index) { return SameName(index->NameValue, name); });
            if (found == indexes.end())
                Raise(errItemNotFound, "Item not found in this collection.", TableDefSource);
            indexes.erase(found);
            return;
        }
        Owner.CheckWritable();
        const catalog::IndexDef* index = Owner.Table().FindIndex(name);
        if (!index)
            Raise(errItemNotFound, "Item not found in this collection.", TableDefSource);
        catalog::DropIndex(Owner.Db->Sql(), Owner.Db->CatalogForChange(), Owner.TableId, index->Id);
        Owner.Db->NoteWrite();
    });
}

// ---------------------------------------------------------------- querydef

class ParameterImpl : public Parameter, public EngineObject {
public:
    ParameterImpl(std::shared_ptr<ErrorState> state, sql::DeclaredParameter declared)
        : EngineObject(std::move(state)), Declared(std::move(declared))
    {
    }
    std::string Name() const override { return Declared.Name; }
    int Type() const override { return Declared.Type; }
    int Direction() const override { return dbParamInput; }
    Variant Value() const override { return ValueHeld; }
    void SetValue(const Variant& value) override
    {
        Guarded([&] {
            ParameterValue(Declared.Type, value, Declared.Name);  // refuses what does not convert
            ValueHeld = value;
        });
    }

private:
    sql::DeclaredParameter Declared;
    Variant ValueHeld;
};

class QueryDefImpl : public QueryDef, public EngineObject {
public:
    QueryDefImpl(const std::shared_ptr<DatabaseImpl>& database, std::string name, bool stored, std::string sql)
        : EngineObject(database->Errors()), Owner(database), NameValue(std::move(name)), IsStored(stored),
          SqlValue(std::move(sql))
    {
    }

    std::string Name() const override { return NameValue; }
    void SetName(const std::string& name) override
    {
        Guarded([&] {
            CheckOpen();
            catalog::CheckName(name);
            if (IsStored)
                catalog::RenameQuery(Database()->Sql(), Database()->CatalogForChange(), NameValue, name);
            NameValue = name;
        });
    }
    std::string SQL() const override
    {
        return Guarded([&] { return Text(); });
    }
    void SetSQL(const std::string& sql) override
    {
        Guarded([&] {
            CheckOpen();
            if (!sql.empty() && ConnectText().empty())  // a pass-through query's SQL is its source's
                sql::TranslateStatement(sql, *Database());
            if (IsStored)
                catalog::SetQuerySql(Database()->Sql(), Database()->CatalogForChange(), NameValue, sql);
            SqlValue = sql;
        });
    }
    int Type() const override
    {
        return Guarded([&] {
            const std::string text = Text();
            if (!ConnectText().empty())
                return static_cast<int>(dbQSQLPassThrough);
            if (text.empty())
                return static_cast<int>(dbQSelect);
            return QueryTypeOf(sql::TranslateStatement(text, *Database()).Kind);
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
            if (const std::string connect = ConnectText(); !connect.empty()) {
                if (ReturnsRecords())
                    Raise(errCannotExecuteSelect, "Cannot execute a select query.", "DAO.QueryDef");
                const std::shared_ptr<DatabaseImpl> database = Database();
                const std::shared_ptr<OdbcDatabaseImpl> source = database->OdbcSource(connect);
                source->ExecuteStatement(Text(), {}, true);
                database->SetRecordsAffected(source->RecordsAffected());
                return;
            }
            if ((options & (dbSQLPassThrough | dbRunAsync | dbExecDirect)) != 0)
                RaiseNotSupported("ODBC options on queries that are not pass-through queries");
            SyncParameters();
            Database()->ExecuteStatement(Text(), Values());
        });
    }
    RecordsetPtr OpenRecordset(int type, int options, int lockEdits) override
    {
        return Guarded([&] {
            if (const std::string connect = ConnectText(); !connect.empty()) {
                if (!ReturnsRecords())
                    Raise(errInvalidOperation, "Invalid operation. The pass-through query returns no records.",
                          "DAO.QueryDef");
                // A pass-through query gives a snapshot of the source's rows.
                const int given = type == dbOpenForwardOnly ? dbOpenForwardOnly : dbOpenSnapshot;
                return Database()->OdbcSource(connect)->OpenStatement(
                    Text(), NameValue.empty() ? Text() : NameValue, given, options | dbSQLPassThrough, lockEdits,
                    {}, Max);
            }
            SyncParameters();
            return Database()->OpenRecordsetOn(Text(), NameValue.empty() ? Text() : NameValue, type, options, lockEdits,
                                       Values(), Max);
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
    Variant DateCreated() const override
    {
        return Guarded([&] {
            const catalog::QueryInfo* query = StoredQuery();
            return query ? Variant::Date(query->Created) : Variant::Null();
        });
    }
    Variant LastUpdated() const override
    {
        return Guarded([&] {
            const catalog::QueryInfo* query = StoredQuery();
            return query ? Variant::Date(query->Updated) : Variant::Null();
        });
    }
    void Close() override
    {
        Guarded([&] {
            CheckOpen();
            Closed = true;
            if (IsStored)
                Database()->ForgetQueryDef(NameValue);
        });
    }

    std::string Connect() const override
    {
        return Guarded([&] { return ConnectText(); });
    }
    void SetConnect(const std::string& connect) override
    {
        Guarded([&] {
            CheckOpen();
            if (!connect.empty() && !SameName(ParseConnect(connect).Type, "ODBC"))
                Raise(errInvalidOperation,
                      "Invalid operation. The Connect of a pass-through query is an ODBC connect text (\"ODBC;...\").",
                      "DAO.QueryDef");
            if (IsStored)
                catalog::SetQueryConnect(Database()->Sql(), Database()->CatalogForChange(), NameValue, connect,
                                         ReturnsValue);
            ConnectValue = connect;
        });
    }
    bool ReturnsRecords() const override
    {
        return Guarded([&] {
            const catalog::QueryInfo* query = StoredQuery();
            return query && !query->Connect.empty() ? query->ReturnsRecords : ReturnsValue;
        });
    }
    void SetReturnsRecords(bool value) override
    {
        Guarded([&] {
            CheckOpen();
            if (IsStored && !ConnectText().empty())
                catalog::SetQueryConnect(Database()->Sql(), Database()->CatalogForChange(), NameValue, ConnectText(),
                                         value);
            ReturnsValue = value;
        });
    }

    void MakeStored() { IsStored = true; }
    bool Stored() const { return IsStored; }
    // What a temporary query carries into the file when it is stored.
    const std::string& PendingConnect() const { return ConnectValue; }
    bool PendingReturnsRecords() const { return ReturnsValue; }

private:
    void CheckOpen() const
    {
        if (Closed)
            RaiseClosed();
        Database()->CheckOpen();
    }
    const catalog::QueryInfo* StoredQuery() const
    {
        CheckOpen();
        if (!IsStored)
            return nullptr;
        const catalog::QueryInfo* query = Database()->Catalog().FindQuery(NameValue);
        if (!query)
            RaiseClosed();
        return query;
    }
    std::string Text() const
    {
        CheckOpen();
        return IsStored ? StoredQuery()->Sql : SqlValue;
    }
    std::string ConnectText() const
    {
        CheckOpen();
        return IsStored ? StoredQuery()->Connect : ConnectValue;
    }
    void SyncParameters()
    {
        const std::string text = ConnectText().empty() ? Text() : std::string();
        if (text == ParametersOf && !ParameterList.Items.empty())
            return;
        std::vector<sql::DeclaredParameter> declared;
        if (!text.empty())
            declared = sql::TranslateStatement(text, *Database()).Parameters;
        ParameterList.Items = RenewParameters(ParameterList.Items, declared, State);
        ParametersOf = text;
    }
    std::vector<Variant> Values() const
    {
        std::vector<Variant> values;
        for (const auto& parameter : ParameterList.Items)
            values.push_back(parameter->Value());
        return values;
    }

    std::shared_ptr<DatabaseImpl> Database() const
    {
        std::shared_ptr<DatabaseImpl> database = Owner.lock();
        if (!database)
            RaiseClosed();
        return database;
    }

    std::weak_ptr<DatabaseImpl> Owner;
    std::string NameValue;
    bool IsStored;
    std::string SqlValue;
    std::string ConnectValue;
    bool ReturnsValue = true;
    long Max = 0;
    int Timeout = 60;
    bool Closed = false;
    ListCollection<Parameter> ParameterList;
    std::string ParametersOf;
};

} // namespace

TableDefPtr MakeNewTableDef(std::shared_ptr<DatabaseImpl> database, const std::string& name, int attributes,
                            const std::string& sourceTableName, const std::string& connect)
{
    CheckNameIfGiven(name);
    auto tableDef = std::make_shared<TableDefImpl>(std::move(database), 0);
    tableDef->NameValue = name;
    tableDef->AttributesValue = attributes;
    tableDef->SourceValue = sourceTableName;
    tableDef->ConnectValue = connect;
    return tableDef;
}

TableDefPtr MakeStoredTableDef(std::shared_ptr<DatabaseImpl> database, int tableId)
{
    return std::make_shared<TableDefImpl>(std::move(database), tableId);
}

catalog::TableInfo DescribeNewTableDef(const TableDefPtr& tableDef, const DatabaseImpl& database)
{
    auto impl = std::dynamic_pointer_cast<TableDefImpl>(tableDef);
    if (!impl || impl->Db.get() != &database)
        InvalidOperation(TableDefSource);
    if (impl->IsBound())
        AlreadyInCollection();
    catalog::TableInfo table;
    table.Name = impl->NameValue;
    table.Attributes = impl->AttributesValue;
    table.Connect = impl->ConnectValue;
    table.SourceTable = impl->SourceValue;
    if (!table.Connect.empty() || (table.Attributes & dbAttachedTable))
        return table;
    int id = 1;
    for (const auto& field : impl->NewFields) {
        catalog::ColumnDef column = field->Pending();
        column.Id = id++;
        for (const auto& property : field->PendingProperties())
            column.Properties.push_back(property->Def());
        table.Columns.push_back(std::move(column));
    }
    for (const auto& index : impl->NewIndexes)
        table.Indexes.push_back(index->Describe(table));
    return table;
}

void BindTableDef(const TableDefPtr& tableDef, int tableId)
{
    auto impl = std::static_pointer_cast<TableDefImpl>(tableDef);
    impl->TableId = tableId;
    for (std::size_t i = 0; i < impl->NewFields.size(); ++i)
        impl->NewFields[i]->BindColumn(tableId, static_cast<int>(i) + 1);
    for (std::size_t i = 0; i < impl->NewIndexes.size(); ++i)
        impl->NewIndexes[i]->Bind(tableId, static_cast<int>(i) + 1);
    impl->NewFields.clear();
    impl->NewIndexes.clear();
}

std::vector<ParameterPtr> RenewParameters(const std::vector<ParameterPtr>& old,
                                          const std::vector<sql::DeclaredParameter>& declared,
                                          const std::shared_ptr<ErrorState>& state)
{
    std::vector<ParameterPtr> fresh;
    for (const sql::DeclaredParameter& parameter : declared) {
        auto made = std::make_shared<ParameterImpl>(state, parameter);
        for (const auto& previous : old)
            if (SameName(previous->Name(), parameter.Name) && !previous->Value().IsEmpty())
                made->SetValue(previous->Value());
        fresh.push_back(made);
    }
    return fresh;
}

int QueryTypeOf(sql::StatementKind kind)
{
    switch (kind) {
    case sql::StatementKind::Select: return dbQSelect;
    case sql::StatementKind::SelectInto: return dbQMakeTable;
    case sql::StatementKind::Insert: return dbQAppend;
    case sql::StatementKind::Update: return dbQUpdate;
    case sql::StatementKind::Delete: return dbQDelete;
    case sql::StatementKind::Crosstab: return dbQCrosstab;
    default: return dbQDDL;
    }
}

QueryDefPtr MakeStoredQueryDef(std::shared_ptr<DatabaseImpl> database, const std::string& name)
{
    return std::make_shared<QueryDefImpl>(database, name, true, "");
}

QueryDefPtr MakeTemporaryQueryDef(std::shared_ptr<DatabaseImpl> database, const std::string& name,
                                  const std::string& sql)
{
    CheckNameIfGiven(name);
    if (!sql.empty())
        sql::TranslateStatement(sql, *database);
    return std::make_shared<QueryDefImpl>(database, name, false, sql);
}

void StoreQueryDef(const QueryDefPtr& queryDef, DatabaseImpl& database)
{
    auto impl = std::dynamic_pointer_cast<QueryDefImpl>(queryDef);
    if (!impl)
        InvalidOperation("DAO.QueryDef");
    if (impl->Stored())
        AlreadyInCollection();
    const std::string name = impl->Name();
    catalog::StoreQuery(database.Sql(), database.CatalogForChange(), name, impl->SQL());
    if (!impl->PendingConnect().empty())
        catalog::SetQueryConnect(database.Sql(), database.CatalogForChange(), name, impl->PendingConnect(),
                                 impl->PendingReturnsRecords());
    impl->MakeStored();
    database.RememberQueryDef(queryDef);
}

} // namespace jet::impl
