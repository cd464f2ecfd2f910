// A recordset: a cursor over the rows of a table or a query.
//
// Types (OpenRecordset's type argument):
//  - dbOpenTable: one stored table in the order of the current Index (no
//    Index: the order rows were added in); supports Index and Seek, not
//    Filter and Sort.
//  - dbOpenDynaset: the keys of the rows a query selects, in its order. Values
//    are read from the file as the cursor reaches them, so changes made by
//    others show; a row deleted meanwhile raises 3167 when it is read, edited
//    or deleted. Rows added through the recordset join its end. Updatable
//    when the query reads one stored table and neither groups nor joins.
//  - dbOpenSnapshot and dbOpenForwardOnly (or the dbForwardOnly option): a
//    read-only copy of the rows as they were at open. A forward-only one moves
//    only forward and has no bookmarks.
//  - dbOpenDynamic (ODBC sources only): a dynaset whose rows themselves are
//    found again, so rows others add or delete come and go
//    (OdbcRecordset.h tells how recordsets of a source keep up).
//
// Position: a current record, or none (Bof or Eof, or right after Delete).
// Bookmarks are the rows' keys: they stay valid for the recordset, its clones
// and the recordsets opened from it by OpenRecordset, as long as the row
// exists. RecordCount is always the full count.
//
// Changes: Edit or AddNew, field values, then Update (or CancelUpdate).
// Nothing reaches the file before Update. With LockEdits (dbPessimistic) the
// row is locked against the other recordsets of this process from Edit to
// Update (3260 for them); either way Update raises 3197 when the row was
// changed since Edit, by another recordset or another connection.
#pragma once

#include "platform/jet/Collection.h"
#include "platform/jet/JetTypes.h"
#include "platform/jet/Variant.h"

#include <memory>
#include <string>
#include <vector>

namespace jet {

class Recordset {
public:
    virtual ~Recordset() = default;

    // The source it was opened on: a table or query name, or the SQL text.
    virtual std::string Name() const = 0;
    // dbOpenTable, dbOpenDynaset, dbOpenSnapshot or dbOpenForwardOnly.
    virtual int Type() const = 0;

    // The fields of the current record, in the order of the query.
    virtual Collection<Field>& Fields() = 0;
    // The current record's values of the first `count` fields, each into
    // values[i] unless that is null, as the fields' ReadValue would read
    // them, in one call: what a walk reading whole records calls. False
    // where the recordset reads field by field only; nothing was read then.
    virtual bool ReadValues(Variant* const* values, std::size_t count) const
    {
        static_cast<void>(values);
        static_cast<void>(count);
        return false;
    }
    // The same values shared instead of copied, where the recordset holds
    // the current record's values of every field whose entry in `wanted` is
    // not null: field i at row[i], kept unchanged by `owner` for as long as
    // the caller holds it (an owner that keeps them already is left as it
    // is). False where it does not; ReadValues reads them.
    virtual bool ShareValues(Variant* const* wanted, std::size_t count, const Variant*& row,
                             std::shared_ptr<const void>& owner) const
    {
        static_cast<void>(wanted);
        static_cast<void>(count);
        static_cast<void>(row);
        static_cast<void>(owner);
        return false;
    }

    // Bof: before the first record (or no records); Eof: after the last (or
    // no records).
    virtual bool Bof() const = 0;
    virtual bool Eof() const = 0;
    virtual long RecordCount() const = 0;
    // 0-based position of the current record; -1 without one. Setting it
    // moves there (3001 when out of range).
    virtual long AbsolutePosition() const = 0;
    virtual void SetAbsolutePosition(long position) = 0;
    // The position as a percentage of RecordCount (0 without a current
    // record); setting it moves to the record nearest that percentage.
    virtual float PercentPosition() const = 0;
    virtual void SetPercentPosition(float percent) = 0;

    virtual bool Bookmarkable() const = 0;
    // The current record's bookmark (3021 without one). Setting one moves to
    // its record: 3159 for a bookmark not of this recordset's rows, 3167 for
    // a row deleted meanwhile.
    jet::Bookmark Bookmark() const
    {
        jet::Bookmark bookmark;
        ReadBookmark(bookmark);
        return bookmark;
    }
    // The same into `bookmark`, reusing its storage: a walk that asks every
    // row for its bookmark allocates nothing for them.
    virtual void ReadBookmark(jet::Bookmark& bookmark) const = 0;
    // The first four bytes of that bookmark as a little-endian number, where
    // the recordset has it at hand without building the bookmark; false
    // where it has not (the caller reads the bookmark then).
    virtual bool BookmarkHead(std::int32_t& head) const
    {
        static_cast<void>(head);
        return false;
    }
    virtual void SetBookmark(const jet::Bookmark& bookmark) = 0;
    // The bookmark of the row last added or changed through this recordset;
    // empty when there is none.
    virtual jet::Bookmark LastModified() const = 0;

    // Moves. A move with pending changes drops them. MoveNext at Eof and
    // MovePrevious at Bof raise 3021; moves on an empty recordset raise 3021
    // except MoveFirst and MoveLast, which leave Bof and Eof set. Move(n)
    // moves n records from the current one (Move(0) re-reads it); moving
    // past either end leaves Bof or Eof set.
    virtual void MoveFirst() = 0;
    virtual void MoveLast() = 0;
    virtual void MoveNext() = 0;
    // MoveNext unless already past the last record, then Eof: the one call
    // a walk makes per step.
    virtual bool Advance()
    {
        if (!Eof())
            MoveNext();
        return Eof();
    }
    virtual void MovePrevious() = 0;
    virtual void Move(long rows) = 0;

    // Runs the query again (dynaset and snapshot: with the current filter and
    // sort) and moves to the first record.
    virtual void Requery() = 0;
    virtual bool Restartable() const = 0;
    // A second cursor over the same rows, sharing bookmarks; it starts with
    // no current record.
    virtual RecordsetPtr Clone() = 0;
    virtual void Close() = 0;

    // A new recordset of the same rows with the current Filter and Sort laid
    // over them (type -1: the type of this one; a table-type recordset gives
    // a dynaset).
    virtual RecordsetPtr OpenRecordset(int type = -1, int options = 0) = 0;
    // A criteria text ("[Price] > 10 AND Name LIKE "A*"") and an order
    // ("Name, Age DESC") for OpenRecordset; they do not change this recordset.
    // Table-type recordsets raise 3251.
    virtual std::string Filter() const = 0;
    virtual void SetFilter(const std::string& criteria) = 0;
    virtual std::string Sort() const = 0;
    virtual void SetSort(const std::string& order) = 0;

    // Table-type only (3251 otherwise): the index that orders the rows and
    // that Seek searches. Setting it makes the first record of the new order
    // current.
    virtual std::string Index() const = 0;
    virtual void SetIndex(const std::string& name) = 0;
    // Finds the first record whose key compares with `keys` as `comparison`
    // says ("=", ">=", ">", "<=", "<"): "=" and ">=" and ">" search forward
    // in index order, "<=" and "<" backward. Fewer keys than index fields
    // compare a leading part of the key. 1 to 13 keys (3001 otherwise); no
    // Index raises 3019. NoMatch tells whether a record was found;
    // without one there is no current record.
    virtual void Seek(const std::string& comparison, const std::vector<Variant>& keys) = 0;
    virtual bool NoMatch() const = 0;

    // Finds the first, last, next or previous record (seen from the current
    // one) that meets a criteria text written as a WHERE clause of the
    // engine's SQL. Without a match NoMatch is set and the current record
    // stays where it was. Table-type and forward-only recordsets raise 3251
    // (a table-type one Seeks).
    virtual void FindFirst(const std::string& criteria) = 0;
    virtual void FindLast(const std::string& criteria) = 0;
    virtual void FindNext(const std::string& criteria) = 0;
    virtual void FindPrevious(const std::string& criteria) = 0;

    // Up to `rows` records from the current one, as a two-dimensional array
    // of variants [field][row] (bounds from 0); the cursor ends on the record
    // after the last one returned (or Eof). Null when no record is left.
    virtual Variant GetRows(long rows) = 0;

    virtual void Edit() = 0;
    virtual void AddNew() = 0;
    // Writes the pending changes: an added row gets the fields' default
    // values where none were given and its auto-increment numbers. The row
    // added stays out of the way of the current record: after an AddNew the
    // current record is the one that was current before.
    virtual void Update() = 0;
    virtual void CancelUpdate() = 0;
    // Deletes the current record; there is no current record afterwards
    // until a move.
    virtual void Delete() = 0;
    // dbEditNone, dbEditInProgress or dbEditAdd.
    virtual int EditMode() const = 0;
    virtual bool Updatable() const = 0;
    // True for pessimistic locking (see above). Settable while no edit is
    // pending.
    virtual bool LockEdits() const = 0;
    virtual void SetLockEdits(bool value) = 0;

    // Table-type: the table's creation and last definition change (varDate);
    // other types raise 3251.
    virtual Variant DateCreated() const = 0;
    virtual Variant LastUpdated() const = 0;

    // The query the recordset was opened with, as a query definition that is
    // not stored.
    virtual QueryDefPtr CopyQueryDef() = 0;
};

} // namespace jet
