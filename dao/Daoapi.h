// The data-access constants. They belong to the engine and are defined with
// it, documented one by one, in namespace jet (dbOpenDynaset, dbText,
// dbAutoIncrField, ...); this unit only brings them to the components, beside
// the component set's own code for an auto-increment field.
#pragma once

#include "platform/jet/Constants.h"

// The component set's type code for a dbLong field with the dbAutoIncrField
// attribute (an "AutoNumber"): reported by the table component's field
// definitions and accepted by table creation.
constexpr int dbAutoIncrement = 40000;
