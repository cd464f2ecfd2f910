// The walk the data-layer benchmarks time: every row of a recordset over the
// Parts table, reading its first three fields (a long, a text and a number)
// through field objects taken once, as the table component takes them.
#pragma once

#include "platform/jet/Jet.h"

#include <benchmark/benchmark.h>

inline long WalkParts(const jet::RecordsetPtr& rs)
{
    const jet::FieldPtr id = rs->Fields().Item(0);
    const jet::FieldPtr name = rs->Fields().Item(1);
    const jet::FieldPtr price = rs->Fields().Item(2);
    long rows = 0;
    for (; !rs->Eof(); rs->MoveNext()) {
        benchmark::DoNotOptimize(id->Value().AsInteger());
        benchmark::DoNotOptimize(name->Value().AsString());
        benchmark::DoNotOptimize(price->Value().AsDouble());
        ++rows;
    }
    return rows;
}
