// How Firebird's columns map onto the contract's field types, where each value of
// a fetched row lives, and the calendar arithmetic of Firebird's dates.
#pragma once

#include "db/connection/dbxdriver.h"

#include <ibase.h>

#include <cstddef>
#include <string>
#include <vector>

namespace didu::ib {

/// One result column: its description and where its value sits in a row slot.
struct ColumnInfo {
    std::string name;
    short sqlType = 0;       // Firebird type without the NULL bit
    short sqlSubType = 0;
    short sqlScale = 0;
    short sqlLength = 0;
    bool nullable = false;
    bool readOnly = false;
    std::uint16_t fieldType = dbx::FieldUnknown;
    std::uint16_t fieldSubType = dbx::SubTypeNone;
    std::size_t offset = 0;  // of the value within a row slot
    std::size_t nullOffset = 0;
};

/// The columns of a statement and the size of one row slot holding them all.
struct RowLayout {
    std::vector<ColumnInfo> columns;
    std::size_t rowBytes = 0;
};

/// Describes the columns of `da` (after isc_dsql_describe) and lays out a slot.
RowLayout layoutRow(const XSQLDA* da);
/// Points every column of `da` at slot `slot` of `block`.
void pointAtSlot(XSQLDA* da, const RowLayout& layout, char* block, std::size_t slot);

/// Calendar date of a Firebird date (days since 17 November 1858).
dbx::Date decodeDate(ISC_DATE date);
ISC_DATE encodeDate(const dbx::Date& date);
/// Time of day of a Firebird time (1/10000 s since midnight).
dbx::Time decodeTime(ISC_TIME time);
ISC_TIME encodeTime(const dbx::Time& time);
/// Whether a date names a real calendar day and a time a real time of day.
bool validDate(const dbx::Date& date);
bool validTime(const dbx::Time& time);

} // namespace didu::ib
