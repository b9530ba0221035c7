// Which row of the port page's list starts out selected.
#pragma once

// The port list shows at most this many ports; later ones are neither listed
// nor considered for the preselection.
constexpr int kMaxPortRows = 256;

// names[0..count) in enumeration order; a null name counts as empty. A name
// matches a prefix when its first four characters equal "LPT1", "COM1" or
// "FILE" exactly, case included. The last match of each prefix wins, and the
// LPT1 row is preferred, then COM1, then FILE. A match at row 0 is treated
// as no match, so that prefix gives way to the next one. Returns the row, or
// -1 for none.
int PreselectPortRow(const char* const* names, int count);
