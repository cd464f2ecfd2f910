// Crosstab queries of the engine's dialect:
//
//   [PARAMETERS ...;] TRANSFORM aggregate SELECT row headings FROM ...
//       [WHERE ...] GROUP BY row headings [HAVING ...] [ORDER BY ...]
//       PIVOT expression [IN (value, ...)]
//
// become one grouped SELECT with a column per pivot value after the row
// headings: every aggregate of the TRANSFORM expression counts only the rows
// of that value, and a cell without rows is Null. The columns are the IN list's values in its order, or else
// every value the expression takes in the rows WHERE lets through, in
// ascending order with Null first (its column is called "<>"). Rows come in
// the order of the row headings unless the query has an ORDER BY.
#pragma once

#include "platform/jet/Variant.h"

#include <string>
#include <string_view>
#include <vector>

namespace jet::impl {

class DatabaseImpl;

// The SELECT, in the engine's dialect, that a crosstab statement stands for.
// Without an IN list the pivot values are read from the database with the
// query's parameter values.
std::string ExpandCrosstab(DatabaseImpl& database, std::string_view statement, const std::vector<Variant>& parameters);

} // namespace jet::impl
