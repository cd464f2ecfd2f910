// The table manager: turns dataset field and index definitions into a stored
// table of a connected database component, creating a new table or adding
// the fields to an existing one, then building the indexes. The table
// component's CreateTable and AppendTable fill one and let it work.
//
// Field types become engine types through BDEToDao (a float becomes a
// single, every date and time type a date, ftAutoInc a numbered long);
// sizes are kept for the text, memo and binary types only. Indexes: every
// primary definition gives its fields to one primary key, named after the
// last of them (after the table on a Paradox database); a definition whose
// options are none, {ixUnique} or {ixPrimary, ixUnique} also gets an index
// of its own, named after it or, unnamed, after its first field. Other
// options (descending, case-insensitive, expression) make no index.
//
// Errors: "Database property not set!", "Database is not connected!" and
// "Missing TableName!" before anything changes; the engine's errors pass on,
// and what was added before them stays.
#pragma once

#include "dao/DaoDatabase.h"
#include "dao/DaoDummyDataset.h"

#include <string>

class TDaoTableManager {
public:
    explicit TDaoTableManager(TDaoDatabase* database);
    TDaoTableManager(const TDaoTableManager&) = delete;
    TDaoTableManager& operator=(const TDaoTableManager&) = delete;

    // Not owned.
    TDaoDatabase* Database;
    // The stored table to create or extend.
    std::string TableName;
    // Filled by the caller; owned by the placeholder dataset.
    TFieldDefs& FieldDefs() { return FDummyDataset.FieldDefs(); }
    TIndexDefs& IndexDefs() { return FDummyDataset.IndexDefs(); }

    // Raises the first of the three errors that applies; true otherwise.
    bool CheckStatus() const;
    // A new stored table from FieldDefs, then the indexes.
    void CreateTable();
    // The fields of FieldDefs added to the stored table, then the indexes.
    void AppendTable();
    // The indexes of IndexDefs built on the stored table; nothing without any.
    void CreateIndex();

private:
    void BuildTable(bool append);

    TDummyDataset FDummyDataset;
};
