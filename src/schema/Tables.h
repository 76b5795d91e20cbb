#pragma once
// Internal: the builders of the table lists, one per source file.

#include "schema/Definition.h"

namespace Schema::detail {

std::vector<Table> centralTables();
std::vector<Table> centralTablesPart2();
std::vector<Table> localTables();
std::vector<View> centralViews();
std::vector<Column> protocolRegisterColumns();

} // namespace Schema::detail
