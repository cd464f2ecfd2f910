// The engine's constants, with the values and names the old data-access
// object model gave them. Only the constants that the data-access components
// pass or compare are defined. Each is documented with what it means here.
#pragma once

namespace jet {

// Recordset types (OpenRecordset's type argument; Recordset::Type).
enum : int {
    dbOpenTable = 1,        // one stored table, in the order of its current Index; supports Seek
    dbOpenDynaset = 2,      // the keys of the rows of a query: values are read live, deleted rows
                            // answer 3167, rows added through the recordset join its end
    dbOpenSnapshot = 4,     // a read-only copy of the rows as they were at open
    dbOpenForwardOnly = 8,  // a snapshot that moves forward only
    dbOpenDynamic = 16,     // ODBC sources only: a dynaset whose rows are read again as they change
};

// Lock types (OpenRecordset's lockedits argument).
enum : int {
    dbOptimisticValue = 1,  // optimistic: a changed row is detected at Update
    dbPessimistic = 2,      // LockEdits true: the row is locked from Edit to Update
    dbOptimistic = 3,       // LockEdits false: a changed row is detected at Update
    dbReadOnly = 4,         // no changes (also the recordset option of that name)
    dbOptimisticBatch = 5,  // batch updates: not supported, opened as optimistic
};

// Recordset and Execute options, added together.
enum : int {
    dbDenyWrite = 1,          // other recordsets of this process may not change the table while it is open
    dbDenyRead = 2,           // table type: other recordsets of this process may not open the table meanwhile
    /* dbReadOnly = 4 */      // the recordset is read-only
    dbAppendOnly = 8,         // the recordset starts empty and only adds rows
    dbInconsistent = 16,      // accepted and ignored (multi-table dynasets are read-only here)
    dbConsistent = 32,        // accepted and ignored
    dbSQLPassThrough = 64,    // ODBC sources only: the SQL goes to the source unchanged
    dbFailOnError = 128,      // Execute: a failing statement raises and is rolled back whole
    dbForwardOnly = 256,      // a snapshot that moves forward only
    dbSeeChanges = 512,       // accepted and ignored
    dbRunAsync = 1024,        // ODBC sources only: accepted; the call returns when the statement is done
    dbExecDirect = 2048,      // ODBC sources only: accepted (statements always run directly)
};

// Field data types (Field::Type).
enum : int {
    dbBoolean = 1,       // Yes/No: stored as -1 or 0
    dbByte = 2,          // 0 .. 255
    dbInteger = 3,       // 16-bit signed
    dbLong = 4,          // 32-bit signed; with dbAutoIncrField the engine numbers new rows
    dbCurrency = 5,      // fixed point with four decimals
    dbSingle = 6,        // 32-bit float
    dbDouble = 7,        // 64-bit float
    dbDate = 8,          // automation date
    dbBinary = 9,        // bytes, at most Size of them
    dbText = 10,         // text of at most Size characters (1 .. 255)
    dbLongBinary = 11,   // bytes without a size limit
    dbMemo = 12,         // text without a size limit
    dbGUID = 15,         // 16-byte GUID; its Value reads "{guid {XXXXXXXX-...}}"
    dbBigInt = 16,       // 64-bit signed
    dbVarBinary = 17,    // bytes, at most Size of them
    dbChar = 18,         // text of at most Size characters
    dbNumeric = 19,      // kept as a 64-bit float
    dbDecimal = 20,      // kept as a 64-bit float
    dbFloat = 21,        // 64-bit float
    dbTime = 22,         // automation date holding a time
    dbTimeStamp = 23,    // automation date
};

// Field attributes (Field::Attributes).
enum : int {
    dbFixedField = 1,         // fixed size (numeric types)
    dbVariableField = 2,      // variable size (text and binary types)
    dbAutoIncrField = 16,     // numbered by the engine on insert; not writable
    dbUpdatableField = 32,    // the field of a recordset can be changed
    dbSystemField = 8192,     // a field the engine keeps for itself
    dbDescending = 1,         // an index field sorted in descending order
};

// Table definition attributes (TableDef::Attributes).
enum : int {
    dbHiddenObject = 1,
    dbAttachExclusive = 0x10000,
    dbAttachSavePWD = 0x20000,
    dbAttachedODBC = 0x20000000,
    dbAttachedTable = 0x40000000,      // a link to a table of another database file
    dbSystemObject = static_cast<int>(0x80000002u), // a catalog table of the engine
};

// Relation attributes (Relation::Attributes).
enum : int {
    dbRelationUnique = 1,             // one record of the foreign table at most per primary record
    dbRelationDontEnforce = 2,        // no referential integrity: nothing is checked
    dbRelationInherited = 4,
    dbRelationUpdateCascade = 0x100,  // a changed key is changed in the related records too
    dbRelationDeleteCascade = 0x1000, // a deleted record takes its related records with it
    dbRelationLeft = 0x1000000,       // the join the query designer suggests: left
    dbRelationRight = 0x2000000,      // or right
};

// Recordset::EditMode.
enum : int {
    dbEditNone = 0,        // no change pending
    dbEditInProgress = 1,  // Edit was called: Update writes the current row
    dbEditAdd = 2,         // AddNew was called: Update inserts a row
};

// Parameter::Direction.
enum : int {
    dbParamInput = 1,
    dbParamOutput = 2,
    dbParamInputOutput = 3,
    dbParamReturnValue = 4,
};

// Workspace types (CreateWorkspace; DBEngine::DefaultType).
enum : int {
    dbUseODBC = 1,  // ODBC direct: the workspace opens ODBC sources only
    dbUseJet = 2,   // the engine's own files
};

// Workspace::DefaultCursorDriver (ODBC direct only): where the recordsets
// of the sources opened afterwards keep their cursor. The engine keeps the
// cursor of every recordset itself, reading the source's results forward,
// as a client cursor does; so each setting but dbUseNoCursor gives the
// engine's cursor, and dbUseNoCursor gives what a source without a cursor
// gives: forward-only, read-only recordsets (Recordset::Type says so).
enum : int {
    dbUseDefaultCursor = -1,     // the engine's cursor
    dbUseODBCCursor = 1,         // the engine's cursor (a client cursor, as the cursor library's)
    dbUseServerCursor = 2,       // the engine's cursor over the driver's forward results
    dbUseClientBatchCursor = 3,  // the engine's cursor; changes are written at Update
    dbUseNoCursor = 4,           // forward-only, read-only recordsets
};

// DBEngine::Idle actions.
enum : int {
    dbFreeLocks = 1,     // end read locks held between calls
    dbRefreshCache = 8,  // forget cached rows that another connection has changed since
};

// CommitTrans option.
enum : int {
    dbForceOSFlush = 1,  // the commit is on disk when the call returns (always the case here)
};

// Database file options of CreateDatabase and CompactDatabase.
enum : int {
    dbEncrypt = 2,     // encryption: not supported (no encrypting SQLite fits this engine; see README)
    dbDecrypt = 4,     // files are never encrypted; accepted
    dbVersion30 = 32,  // file format of engine 3.x: Database::Version "3.0"
    dbVersion40 = 64,  // file format of engine 4.x: Database::Version "4.0"
};

// QueryDef::Type.
enum : int {
    dbQSelect = 0,
    dbQCrosstab = 16,
    dbQDelete = 32,
    dbQUpdate = 48,
    dbQAppend = 64,
    dbQMakeTable = 80,
    dbQDDL = 96,
    dbQSQLPassThrough = 112,
    dbQSetOperation = 128,
    dbQSPTBulk = 144,
    dbQCompound = 160,
    dbQProcedure = 224,
    dbQAction = 240,
};

// OpenDatabase options of ODBC sources: the driver never prompts here.
enum : int {
    dbDriverNoPrompt = 1,
};

// Database::CollatingOrder: the language a database was created for (its
// LANGID). Text compares the same way for every one of them: without regard
// to case, for every language.
enum : int {
    dbSortUndefined = -1,
    dbSortNeutral = 1024,
    dbSortArabic = 1025,
    dbSortChineseTraditional = 1028,
    dbSortCzech = 1029,
    dbSortNorwdan = 1030,
    dbSortGreek = 1032,
    dbSortGeneral = 1033,
    dbSortSpanish = 1034,
    dbSortHebrew = 1037,
    dbSortHungarian = 1038,
    dbSortIcelandic = 1039,
    dbSortJapanese = 1041,
    dbSortKorean = 1042,
    dbSortDutch = 1043,
    dbSortPolish = 1045,
    dbSortCyrillic = 1049,
    dbSortSwedFin = 1053,
    dbSortThai = 1054,
    dbSortTurkish = 1055,
    dbSortSlovenian = 1060,
    dbSortChineseSimplified = 2052,
};

// The most key values a Seek takes, and the deepest nesting of transactions.
constexpr int MaxSeekKeys = 13;
constexpr int MaxTransactionLevels = 5;

} // namespace jet
