// A stored query (Database::QueryDefs) or the query of a recordset
// (Recordset::CopyQueryDef). Its SQL is the engine's own dialect (see
// Database.h); a "PARAMETERS name type, ...;" header declares its parameters,
// which Parameters lists in that order and the body names as [name] or name.
#pragma once

#include "platform/jet/Collection.h"
#include "platform/jet/Constants.h"
#include "platform/jet/JetTypes.h"
#include "platform/jet/Variant.h"

#include <string>

namespace jet {

// A parameter of a stored query. Parameters of this engine are inputs.
class Parameter {
public:
    virtual ~Parameter() = default;
    virtual std::string Name() const = 0;
    // The declared type (dbText, dbLong, dbDate, ...).
    virtual int Type() const = 0;
    // dbParamInput.
    virtual int Direction() const = 0;
    // Empty until set. A value is converted to the declared type when the
    // query runs (3421 when it cannot be); a text is taken as the caller's
    // text of that type ("5", "3/15/2024", "True").
    virtual Variant Value() const = 0;
    virtual void SetValue(const Variant& value) = 0;
};

class QueryDef {
public:
    virtual ~QueryDef() = default;

    // Renaming a stored query renames it in the file (3012 when the name is
    // taken; names refused as field names are, 3125).
    virtual std::string Name() const = 0;
    virtual void SetName(const std::string& name) = 0;

    // Setting the text of a stored query stores it (3075 and friends when it
    // does not translate) and re-reads Parameters and Type.
    virtual std::string SQL() const = 0;
    virtual void SetSQL(const std::string& sql) = 0;

    // dbQSelect, dbQDelete, dbQUpdate, dbQAppend, dbQMakeTable, dbQCrosstab
    // or dbQDDL.
    virtual int Type() const = 0;

    virtual Collection<Parameter>& Parameters() = 0;

    // Runs an action query with the parameters' values; the database's
    // RecordsAffected tells how many rows it touched. A select query raises
    // 3065; a parameter without a value raises 3061. With dbFailOnError a
    // failure rolls the whole statement back (it always does here).
    virtual void Execute(int options = 0) = 0;
    // A recordset on a select query (type -1: dynaset).
    virtual RecordsetPtr OpenRecordset(int type = -1, int options = 0, int lockEdits = -1) = 0;

    // The most rows a recordset of the query returns (0: no limit).
    virtual long MaxRecords() const = 0;
    virtual void SetMaxRecords(long rows) = 0;
    // Kept for callers that set it; statements here never time out.
    virtual int ODBCTimeout() const = 0;
    virtual void SetODBCTimeout(int seconds) = 0;

    // When the stored query was created and last changed (varDate; Null for
    // a query that is not stored).
    virtual Variant DateCreated() const = 0;
    virtual Variant LastUpdated() const = 0;

    virtual void Close() = 0;

    // A pass-through query: the ODBC connect text of the source its SQL goes
    // to unchanged ("ODBC;DSN=..."), empty for a query of the engine's own
    // SQL. Its Type is then dbQSQLPassThrough and it has no parameters.
    virtual std::string Connect() const { return ""; }
    virtual void SetConnect(const std::string& /*connect*/)
    {
        throw EngineError(errInvalidOperation, "Invalid operation.", "DAO.QueryDef");
    }
    // Pass-through queries: true when the statement returns rows (opened with
    // OpenRecordset), false for one that Execute runs.
    virtual bool ReturnsRecords() const { return true; }
    virtual void SetReturnsRecords(bool /*value*/)
    {
        throw EngineError(errInvalidOperation, "Invalid operation.", "DAO.QueryDef");
    }
};

} // namespace jet
