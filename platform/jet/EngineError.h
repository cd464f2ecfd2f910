// The engine's errors. Every failing member raises EngineError, carrying the
// number, source and description of the old engine's error of that kind; the
// engine's Errors collection holds the same error until the next failure
// (DBEngine::Errors). The numbers below are the ones callers may test for.
#pragma once

#include <stdexcept>
#include <string>

namespace jet {

enum : int {
    errNotSupported = 3251,       // "Operation is not supported for this type of object." plus what is not
    errInvalidArgument = 3001,    // "Invalid argument."
    errNoCurrentIndex = 3019,     // "Operation invalid without a current index."
    errTooManyTransactions = 3003,// "Could not start transaction; too many transactions already nested."
    errTableExists = 3010,        // "Table 'x' already exists."
    errObjectNotFound = 3011,     // "The database engine could not find the object 'x'."
    errObjectExists = 3012,       // "Object 'x' already exists."
    errNoCurrentRecord = 3021,    // "No current record."
    errUpdateWithoutEdit = 3020,  // "Update or CancelUpdate without AddNew or Edit."
    errDuplicateKey = 3022,       // duplicate values in an index, primary key or relationship
    errFileNotFound = 3024,       // "Could not find file 'x'."
    errDiskFull = 3026,           // "Not enough space on disk."
    errReadOnly = 3027,           // "Cannot update. Database or object is read-only."
    errAccount = 3029,            // "Not a valid account name or password."
    errNotValidPassword = 3031,   // "Not a valid password." (a database password)
    errNoTransaction = 3034,      // commit or rollback without BeginTrans
    errFileInUse = 3045,          // "Could not use 'x'; file already in use."
    errTooManyDatabases = 3048,   // "Cannot open any more databases."
    errCannotOpen = 3049,         // "Cannot open database 'x'. ... the file may be corrupt."
    errTooFewParameters = 3061,   // "Too few parameters. Expected n."
    errCannotExecuteSelect = 3065,// "Cannot execute a select query."
    errSyntax = 3075,             // syntax error in a query expression or statement
    errInputTableNotFound = 3078, // "The database engine cannot find the input table or query 'x'."
    errIndexNull = 3058,          // "Index or primary key cannot contain a Null value."
    errWrongName = 3125,          // "'x' is not a valid name. ..."
    errNotValidBookmark = 3159,   // "Not a valid bookmark."
    errFieldTooSmall = 3163,      // "The field is too small to accept the amount of data you attempted to add."
    errFieldNotUpdatable = 3164,  // "Field cannot be updated."
    errRecordDeleted = 3167,      // "Record is deleted."
    errWriteConflict = 3197,      // the row was changed by another user since Edit
    errRelatedRecords = 3200,     // "The record cannot be deleted or changed because table 'x' includes related records."
    errRelatedRecordRequired = 3201, // "You cannot add or change a record because a related record is required in table 'x'."
    errDatabaseExists = 3204,     // "Database already exists."
    errInvalidOperation = 3219,   // "Invalid operation."
    errOdbcCallFailed = 3146,     // "ODBC--call failed." plus the driver's message
    errOdbcConnectFailed = 3151,  // "ODBC--connection to 'x' failed." plus the driver's message
    errLocked = 3260,             // "Couldn't update; currently locked by user 'Admin'."
    errItemNotFound = 3265,       // "Item not found in this collection."
    errRequired = 3314,           // "The field 'x' cannot contain a Null value because the Required property ..."
    errUnrecognizedFormat = 3343, // "Unrecognized database format 'x'."
    errAlreadyInCollection = 3367,// "Cannot append. An object with that name already exists in the collection."
    errObjectClosed = 3420,       // "Object invalid or no longer set."
    errTypeConversion = 3421,     // "Data type conversion error."
    errPasswordShared = 3621,     // "Can't change password on a shared open database."
    errClassNotRegistered = -2147221005, // "Invalid class string": no engine of that identifier
};

class EngineError : public std::runtime_error {
public:
    EngineError(int number, std::string description, std::string source = "DAO.DBEngine",
                std::string helpFile = "", int helpContext = 0);

    int Number() const { return ErrorNumber; }
    const std::string& Source() const { return ErrorSource; }
    const std::string& Description() const { return ErrorDescription; }
    const std::string& HelpFile() const { return ErrorHelpFile; }
    int HelpContext() const { return ErrorHelpContext; }

private:
    int ErrorNumber;
    std::string ErrorSource;
    std::string ErrorDescription;
    std::string ErrorHelpFile;
    int ErrorHelpContext;
};

} // namespace jet
