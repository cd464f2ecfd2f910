// Add-on routines that work directly on the engine's objects: copying a
// table's structure or rows inside a database, and listing the engine
// versions that can be created here.
#pragma once

#include "platform/jet/Jet.h"
#include "platform/system/TStringList.h"

#include <memory>
#include <string>

// Makes `newTable` an empty table with the fields of `sourceTable` ("SELECT *
// INTO [new] FROM [source] WHERE 1=2;"). True when the statement ran; any
// engine error answers false and stays in the engine's Errors. A name
// holding "]" or a double quote, which the brackets could not hold, answers
// false before anything runs.
bool CopyTableStructure(const jet::DatabasePtr& database, const std::string& sourceTable,
                        const std::string& newTable);
// Appends the rows of `sourceTable` to the existing `destinationTable`
// ("INSERT INTO [destination] SELECT * FROM [source];"); answers and refuses
// as CopyTableStructure.
bool CopyTable(const jet::DatabasePtr& database, const std::string& sourceTable, const std::string& destinationTable);

// The engine versions that can be created here ("3.5", "3.6" and the
// version of the newest private engine), sorted, each once; empty when no
// engine can be created. Owned by the caller.
std::unique_ptr<platform::TStringList> GetAllDaoEngines();

// Registers TDaoDatabase on the component palette's page "Data Access", so
// that it can be created by its class name (platform/db/ComponentRegistry.h).
void Register();
