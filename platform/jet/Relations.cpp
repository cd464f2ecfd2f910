// Relations between the tables of a database (Relation.h). A relation made
// by CreateRelation lives in memory until it is appended; from then on it
// stands for the stored relation, found by its name, and its members are
// read from the catalog.
#include "platform/jet/EngineImpl.h"

#include "platform/jet/Collation.h"

namespace jet::impl {
namespace {

const std::string RelationSource = "DAO.Relation";
const std::string FieldSource = "DAO.Field";

[[noreturn]] void InvalidOperation(const std::string& source)
{
    Raise(errInvalidOperation, "Invalid operation.", source);
}

// A field of a relation: the primary table's field and the foreign table's.
class RelationField : public Field, public EngineObject {
public:
    RelationField(std::shared_ptr<ErrorState> state, std::string name, std::string foreignName)
        : EngineObject(std::move(state)), FieldName(std::move(name)), Foreign(std::move(foreignName))
    {
    }

    std::string Name() const override { return FieldName; }
    void SetName(const std::string& name) override
    {
        Guarded([&] {
            CheckChangeable();
            catalog::CheckName(name);
            FieldName = name;
        });
    }
    std::string ForeignName() const override { return Foreign; }
    void SetForeignName(const std::string& name) override
    {
        Guarded([&] {
            CheckChangeable();
            catalog::CheckName(name);
            Foreign = name;
        });
    }
    int Type() const override { return Refused<int>(); }
    void SetType(int) override { Refused<void>(); }
    int Size() const override { return Refused<int>(); }
    void SetSize(int) override { Refused<void>(); }
    int Attributes() const override { return 0; }
    void SetAttributes(int) override { Refused<void>(); }
    bool Required() const override { return Refused<bool>(); }
    void SetRequired(bool) override { Refused<void>(); }
    std::string DefaultValue() const override { return Refused<std::string>(); }
    void SetDefaultValue(const std::string&) override { Refused<void>(); }
    int OrdinalPosition() const override { return Refused<int>(); }
    std::string SourceTable() const override { return Refused<std::string>(); }
    std::string SourceField() const override { return Refused<std::string>(); }
    Variant Value() const override { return Refused<Variant>(); }
    void SetValue(const Variant&) override { Refused<void>(); }
    long FieldSize() const override { return Refused<long>(); }
    Collection<Property>& Properties() override { return NoProperties; }
    PropertyPtr CreateProperty(const std::string&, int, const Variant&) override { return Refused<PropertyPtr>(); }

    void Freeze() { Stored = true; }

private:
    template <class T>
    T Refused() const
    {
        return Guarded([&]() -> T { InvalidOperation(FieldSource); });
    }
    void CheckChangeable() const
    {
        if (Stored)
            InvalidOperation(FieldSource);
    }

    std::string FieldName;
    std::string Foreign;
    bool Stored = false;
    ListCollection<Property> NoProperties;
};

// The fields of a new relation take appended fields; a stored relation's
// are fixed.
class RelationFields : public ListCollection<Field> {
public:
    explicit RelationFields(const bool& stored) : Stored(stored) {}
    void Append(const FieldPtr& object) override
    {
        auto field = std::dynamic_pointer_cast<RelationField>(object);
        if (Stored || !field)
            InvalidOperation(RelationSource);
        for (const FieldPtr& existing : Items)
            if (SameName(existing->Name(), field->Name()))
                Raise(errAlreadyInCollection,
                      "Cannot append. An object with that name already exists in the collection.", RelationSource);
        Items.push_back(object);
    }
    void Delete(std::string_view name) override
    {
        if (Stored)
            InvalidOperation(RelationSource);
        for (auto item = Items.begin(); item != Items.end(); ++item)
            if (SameName((*item)->Name(), name)) {
                Items.erase(item);
                return;
            }
        Raise(errItemNotFound, "Item not found in this collection.", RelationSource);
    }

private:
    const bool& Stored;
};

class RelationImpl : public Relation, public EngineObject {
public:
    RelationImpl(std::shared_ptr<DatabaseImpl> database, std::string name, std::string table, std::string foreignTable,
                 int attributes)
        : EngineObject(database->Errors()), Db(std::move(database)), RelationName(std::move(name)),
          Primary(std::move(table)), Foreign(std::move(foreignTable)), Flags(attributes), FieldList(Stored)
    {
    }

    std::string Name() const override { return RelationName; }
    void SetName(const std::string& name) override { Change([&] { RelationName = name; }); }
    std::string Table() const override
    {
        return Guarded([&] { return Stored ? TableName(Definition().TableId) : Primary; });
    }
    void SetTable(const std::string& name) override { Change([&] { Primary = name; }); }
    std::string ForeignTable() const override
    {
        return Guarded([&] { return Stored ? TableName(Definition().ForeignTableId) : Foreign; });
    }
    void SetForeignTable(const std::string& name) override { Change([&] { Foreign = name; }); }
    int Attributes() const override
    {
        return Guarded([&] { return Stored ? Definition().Attributes : Flags; });
    }
    void SetAttributes(int attributes) override { Change([&] { Flags = attributes; }); }
    Collection<Field>& Fields() override
    {
        if (Stored)
            ReadFields();
        return FieldList;
    }
    FieldPtr CreateField(const std::string& name) override
    {
        return Guarded([&]() -> FieldPtr {
            if (!name.empty())
                catalog::CheckName(name);
            return std::make_shared<RelationField>(State, name, "");
        });
    }

    // Relations().Append: the catalog's relation of this one's names.
    void Store(DatabaseImpl& database)
    {
        if (Stored || &database != Db.get())
            InvalidOperation(RelationSource);
        if (Db->ServesFormat())
            RaiseNotSupported("Relations between tables of installable formats (their files have no place for them)");
        const catalog::Catalog& catalog = Db->Catalog();
        catalog::RelationDef relation;
        relation.Name = RelationName;
        relation.Attributes = Flags;
        const catalog::TableInfo& primary = StoredTable(catalog, Primary);
        const catalog::TableInfo& foreign = StoredTable(catalog, Foreign);
        relation.TableId = primary.Id;
        relation.ForeignTableId = foreign.Id;
        if (!primary.IsLink() && !foreign.IsLink())
            for (int i = 0; i < FieldList.Count(); ++i) {
                const FieldPtr field = FieldList.Item(i);
                relation.Columns.push_back(
                    {ColumnOf(primary, field->Name()), ColumnOf(foreign, field->ForeignName())});
            }
        catalog::AddRelation(Db->Sql(), Db->CatalogForChange(), relation);
        Db->NoteWrite();
        Stored = true;
        RelationName = Db->Catalog().FindRelation(relation.Name)->Name;
        for (const FieldPtr& field : FieldList.Items)
            std::static_pointer_cast<RelationField>(field)->Freeze();
    }
    // A relation the catalog holds.
    void Bind() { Stored = true; }

private:
    template <class F>
    void Change(F&& change)
    {
        Guarded([&] {
            if (Stored)
                InvalidOperation(RelationSource);
            change();
        });
    }
    const catalog::RelationDef& Definition() const
    {
        Db->CheckOpen();
        const catalog::RelationDef* relation = Db->Catalog().FindRelation(RelationName);
        if (!relation)
            RaiseClosed();
        return *relation;
    }
    std::string TableName(int tableId) const
    {
        const catalog::TableInfo* table = Db->Catalog().TableById(tableId);
        return table ? table->Name : std::string();
    }
    void ReadFields()
    {
        Guarded([&] {
            const catalog::RelationDef& relation = Definition();
            const catalog::Catalog& catalog = Db->Catalog();
            const catalog::TableInfo* primary = catalog.TableById(relation.TableId);
            const catalog::TableInfo* foreign = catalog.TableById(relation.ForeignTableId);
            FieldList.Items.clear();
            for (const catalog::RelationColumn& column : relation.Columns) {
                const catalog::ColumnDef* key = primary ? primary->ColumnById(column.ColumnId) : nullptr;
                const catalog::ColumnDef* reference = foreign ? foreign->ColumnById(column.ForeignColumnId) : nullptr;
                auto field = std::make_shared<RelationField>(State, key ? key->Name : "",
                                                             reference ? reference->Name : "");
                field->Freeze();
                FieldList.Items.push_back(std::move(field));
            }
        });
    }
    static const catalog::TableInfo& StoredTable(const catalog::Catalog& catalog, const std::string& name)
    {
        const catalog::TableInfo* table = catalog.FindTable(name);
        if (!table)
            Raise(errObjectNotFound, "The database engine could not find the object '" + name + "'.", RelationSource);
        return *table;
    }
    static int ColumnOf(const catalog::TableInfo& table, const std::string& name)
    {
        const catalog::ColumnDef* column = table.FindColumn(name);
        if (!column)
            Raise(errItemNotFound, "Item not found in this collection.", RelationSource);
        return column->Id;
    }

    std::shared_ptr<DatabaseImpl> Db;
    std::string RelationName;
    std::string Primary;
    std::string Foreign;
    int Flags;
    bool Stored = false;
    RelationFields FieldList;
};

class RelationCollection : public Collection<Relation> {
public:
    explicit RelationCollection(DatabaseImpl& owner) : Owner(owner) {}
    int Count() const override
    {
        return Owner.Guarded([&] {
            Owner.CheckOpen();
            return static_cast<int>(Owner.Catalog().Relations.size());
        });
    }
    RelationPtr Item(int index) const override
    {
        return Owner.Guarded([&] {
            Owner.CheckOpen();
            const auto& relations = Owner.Catalog().Relations;
            if (index < 0 || index >= static_cast<int>(relations.size()))
                Raise(errItemNotFound, "Item not found in this collection.", RelationSource);
            return Object(relations[static_cast<std::size_t>(index)].Name);
        });
    }
    using Collection<Relation>::Item;
    void Refresh() override
    {
        Owner.Guarded([&] {
            if (!Owner.IsClosed())
                Owner.RefreshCatalog();
        });
    }
    void Append(const RelationPtr& object) override
    {
        Owner.Guarded([&] {
            Owner.CheckOpen();
            auto relation = std::dynamic_pointer_cast<RelationImpl>(object);
            if (!relation)
                InvalidOperation(RelationSource);
            relation->Store(Owner);
        });
    }
    void Delete(std::string_view name) override
    {
        Owner.Guarded([&] {
            Owner.CheckOpen();
            catalog::DropRelation(Owner.Sql(), Owner.CatalogForChange(), std::string(name));
            Owner.NoteWrite();
        });
    }

private:
    RelationPtr Object(const std::string& name) const
    {
        auto relation = std::make_shared<RelationImpl>(Owner.shared_from_this(), name, "", "", 0);
        relation->Bind();
        return relation;
    }

    DatabaseImpl& Owner;
};

} // namespace

Collection<Relation>& DatabaseImpl::Relations()
{
    if (!RelationList)
        RelationList = std::make_unique<RelationCollection>(*this);
    return *RelationList;
}

RelationPtr DatabaseImpl::CreateRelation(const std::string& name, const std::string& table,
                                         const std::string& foreignTable, int attributes)
{
    return Guarded([&]() -> RelationPtr {
        CheckOpen();
        if (!name.empty())
            catalog::CheckName(name);
        return std::make_shared<RelationImpl>(shared_from_this(), name, table, foreignTable, attributes);
    });
}

} // namespace jet::impl
