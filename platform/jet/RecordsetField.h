// The fields of a recordset (Recordset::Fields), for every kind of
// recordset: a field reads and writes the value of the current record
// through its recordset, which offers
//   const FieldInfo& Info(i), std::size_t FieldCount(), bool IsClosed(),
//   const Variant& FieldValue(i), void SetFieldValue(i, value), long FieldSize(i)
// and Guarded (EngineObject). A field keeps its recordset alive, as the
// automation objects did; the members a recordset field cannot have raise
// 3219 ("Invalid operation.").
#pragma once

#include "platform/jet/EngineImpl.h"

#include <memory>
#include <vector>

namespace jet::impl {

[[noreturn]] inline void RaiseNotARecordsetMember()
{
    Raise(errInvalidOperation, "Invalid operation.", "DAO.Field");
}

template <class Set>
class RecordsetFieldOf : public Field {
public:
    RecordsetFieldOf(std::shared_ptr<Set> owner, std::size_t index) : Owner(std::move(owner)), Position(index)
    {
        Props = std::make_unique<ComputedProperties>([this] { return PropertyItems(); });
    }

    std::string Name() const override { return Recordset().Info(Position).Name; }
    void SetName(const std::string&) override { RaiseNotARecordsetMember(); }
    int Type() const override { return Recordset().Info(Position).Type; }
    void SetType(int) override { RaiseNotARecordsetMember(); }
    int Size() const override { return Recordset().Info(Position).Size; }
    void SetSize(int) override { RaiseNotARecordsetMember(); }
    int Attributes() const override { return Recordset().Info(Position).Attributes; }
    void SetAttributes(int) override { RaiseNotARecordsetMember(); }
    bool Required() const override { return Recordset().Info(Position).Required; }
    void SetRequired(bool) override { RaiseNotARecordsetMember(); }
    std::string DefaultValue() const override { return Recordset().Info(Position).DefaultValue; }
    void SetDefaultValue(const std::string&) override { RaiseNotARecordsetMember(); }
    int OrdinalPosition() const override { return static_cast<int>(Position); }
    std::string SourceTable() const override { return Recordset().Info(Position).SourceTable; }
    std::string SourceField() const override { return Recordset().Info(Position).SourceField; }
    Variant Value() const override
    {
        const Set& set = Recordset();
        return set.Guarded([&] { return set.FieldValue(Position); });
    }
    void ReadValue(Variant& value) const override
    {
        const Set& set = Recordset();
        set.Guarded([&] { value = set.FieldValue(Position); });
    }
    void SetValue(const Variant& value) override
    {
        Set& set = Recordset();
        set.Guarded([&] { set.SetFieldValue(Position, value); });
    }
    long FieldSize() const override
    {
        const Set& set = Recordset();
        return set.Guarded([&] { return set.FieldSize(Position); });
    }
    Collection<Property>& Properties() override { return *Props; }
    PropertyPtr CreateProperty(const std::string&, int, const Variant&) override { RaiseNotARecordsetMember(); }

private:
    Set& Recordset() const
    {
        if (Owner->IsClosed())
            RaiseClosed();
        return *Owner;
    }

    std::vector<PropertyPtr> PropertyItems() const
    {
        const FieldInfo& info = Recordset().Info(Position);
        std::vector<PropertyPtr> items = {
            std::make_shared<ValueProperty>("Name", dbText, Variant(info.Name)),
            std::make_shared<ValueProperty>("Type", dbInteger, Variant::Smallint(static_cast<std::int16_t>(info.Type))),
            std::make_shared<ValueProperty>("Size", dbLong, Variant(info.Size)),
            std::make_shared<ValueProperty>("Attributes", dbLong, Variant(info.Attributes)),
            std::make_shared<ValueProperty>("OrdinalPosition", dbInteger,
                                            Variant::Smallint(static_cast<std::int16_t>(Position))),
            std::make_shared<ValueProperty>("SourceTable", dbText, Variant(info.SourceTable)),
            std::make_shared<ValueProperty>("SourceField", dbText, Variant(info.SourceField)),
            std::make_shared<ValueProperty>("DefaultValue", dbText, Variant(info.DefaultValue)),
            std::make_shared<ValueProperty>("Required", dbBoolean, Variant(info.Required)),
        };
        for (const catalog::PropertyDef& property : info.Properties)
            items.push_back(std::make_shared<ValueProperty>(property.Name, property.Type, property.Value));
        return items;
    }

    std::shared_ptr<Set> Owner;
    std::size_t Position;
    std::unique_ptr<ComputedProperties> Props;
};

// The fields are made when first asked for and kept while someone holds
// them.
template <class Set>
class RecordsetFieldsOf : public Collection<Field> {
public:
    explicit RecordsetFieldsOf(Set& owner) : Owner(owner) {}
    int Count() const override { return static_cast<int>(Owner.FieldCount()); }
    FieldPtr Item(int index) const override
    {
        if (index < 0 || index >= Count())
            Raise(errItemNotFound, "Item not found in this collection.", "DAO.Recordset");
        if (Items.size() != Owner.FieldCount())
            Items.resize(Owner.FieldCount());
        std::weak_ptr<Field>& slot = Items[static_cast<std::size_t>(index)];
        FieldPtr field = slot.lock();
        if (!field) {
            field = std::make_shared<RecordsetFieldOf<Set>>(Owner.shared_from_this(), static_cast<std::size_t>(index));
            slot = field;
        }
        return field;
    }
    FieldPtr Item(std::string_view name) const override
    {
        for (std::size_t i = 0; i < Owner.FieldCount(); ++i)
            if (SameName(Owner.Info(i).Name, name))
                return Item(static_cast<int>(i));
        Raise(errItemNotFound, "Item not found in this collection.", "DAO.Recordset");
    }

private:
    Set& Owner;
    mutable std::vector<std::weak_ptr<Field>> Items;
};

} // namespace jet::impl
