// SPDX-License-Identifier: MIT
#pragma once

#include <istream>
#include <string_view>

#include "engine/data/import/raw_curves.h"

// The table of progress curves inside a plate reader's export or a long table, found where it
// stands in the file.
//
// Lines above the table (the instrument's metadata) and below it (the end of the export,
// "~End", "End Time:", further tables) are passed over. The table is recognised by its header,
// the first line (of the first 1000 that hold something) naming one of:
//   - a time column and well columns ("Time, T 405, A1, A2, ..."): a plate with one column per
//     well and one line per read (BioTek Gen5, SoftMax Pro's time format);
//   - a time label followed by the times ("Time [s], 0, 60, 120", "Zeit [s]; 0; 60,1"), or
//     three or more times written with units or as clocks ("Well, Content, 0 min, 1 min, ..."):
//     a plate with one line per well (Tecan i-control and Spark, BMG MARS); lines of other
//     labels (cycle number, temperature) are passed over;
//   - SoftMax Pro's plate format: a "Plate:" line naming PlateFormat, then a header of the time
//     and the plate's column numbers, then one block of plate rows per read;
//   - a time column beside a well or id column ("well", "id", "curve", "measurement") or an
//     [So] column: a long table, one observation per line in any order. Its observation is
//     the column named product, P, substrate, S or y, or else the one other column that holds
//     numbers (a compound's name, "ABTS [uM]"), which the reading says it took.
// Cells are separated by tabs, semicolons or commas (the first of them the header line holds);
// with tabs or semicolons a comma may be the decimal mark. Lines are read as UTF-8, or as
// Latin-1 when they are not UTF-8. Columns that are neither time nor wells (cycle number,
// temperature, content) are ignored; a well's cell that is not a number (an overflow mark) is
// left out with a warning.
namespace velmor {

// Reads the table. `separator` is '\t' for a ".tsv" file, else 0 (taken from the header
// line). Times are made one unit (time_text.h); a plate's curves are in the order of its
// wells as the file names them, a long table's in the order its ids first appear (without an
// id column, a new curve starts where [So] changes), each curve's points ordered by time.
// Refusals set `error`, naming the line and column.
RawCurves read_export_table(std::istream& in, char separator);

// True if the stream holds such a table: a header among its first lines.
bool holds_export_table(std::istream& in, char separator);

// True for a header naming a long table's well or id column ("Well", "id", "curve",
// "measurement", any case, a unit in brackets aside).
bool is_curve_id_column(std::string_view name);

}  // namespace velmor
