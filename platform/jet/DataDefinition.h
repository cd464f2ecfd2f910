// Data definition statements of the engine's SQL dialect, run by
// Database::Execute:
//
//   CREATE TABLE t (column type[(size)] [NOT NULL] [DEFAULT value]
//                   [WITH COMPRESSION] [[CONSTRAINT name] PRIMARY KEY | UNIQUE | NOT NULL
//                   | REFERENCES t2 [(column)] [actions]], ...,
//                   [CONSTRAINT name] PRIMARY KEY (columns) | UNIQUE (columns)
//                   | FOREIGN KEY (columns) REFERENCES t2 [(columns)] [actions], ...)
//   CREATE [UNIQUE] INDEX name ON t (column [ASC | DESC], ...)
//                   [WITH PRIMARY | DISALLOW NULL | IGNORE NULL]
//   ALTER TABLE t ADD [COLUMN] column definition
//   ALTER TABLE t ALTER [COLUMN] column type[(size)]
//   ALTER TABLE t DROP [COLUMN] column
//   ALTER TABLE t ADD CONSTRAINT name PRIMARY KEY (columns) | UNIQUE (columns)
//                   | FOREIGN KEY (columns) REFERENCES t2 [(columns)] [actions]
//   ALTER TABLE t DROP CONSTRAINT name
//
// where actions are ON UPDATE and ON DELETE, each CASCADE or NO ACTION.
//
// Each statement is carried out through the same table, field and index
// definitions a caller of TableDefs uses, so a table made either way reads
// back the same. A statement changes everything it names or nothing.
//
// Types are the names PARAMETERS takes (TEXT, LONG, COUNTER, DATETIME, ...);
// TEXT without a size holds 255 characters, COUNTER and AUTOINCREMENT are
// numbered Long fields. An unnamed primary key is called "PrimaryKey", an
// unnamed unique constraint after its first column. DISALLOW NULL makes the
// indexed fields required; IGNORE NULL changes nothing here, as Null keys
// never clash. A foreign key is a relation (Relation.h) from t2, the primary
// table, to the table of the statement, named after the two tables ("t2t")
// when the constraint has no name, on t2's primary key when no columns are
// named; CASCADE sets dbRelationUpdateCascade or dbRelationDeleteCascade.
// DROP CONSTRAINT takes away an index or a relation of the table. Syntax
// errors raise the old engine's numbers (3289 to 3293).
#pragma once

#include <string_view>

namespace jet::impl {

class DatabaseImpl;

void ExecuteDataDefinition(DatabaseImpl& database, std::string_view statement);

} // namespace jet::impl
