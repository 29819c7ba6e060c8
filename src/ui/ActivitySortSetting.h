#pragma once
// The code stored in "ActivitySortCol" for the Activity list's sort order: a name, "|", then
// "Asc" or "Desc". The name is only an index code, and an odd one kept for compatibility with
// stored settings: indices 1 to 4 are written with the header name of the column to their right
// (the Size column is stored as "Progress"), and the ETA column comes back as Video.
#include <string>
#include <string_view>

namespace talvex::ui {

struct ActivitySort {
    int column = -1;  // -1: not sorted
    bool descending = false;
};

// Empty when the list is not sorted (nothing is stored then).
std::wstring FormatActivitySort(const ActivitySort& sort);
// Column -1 when the value is not "name|direction" with both halves present.
ActivitySort ParseActivitySort(std::wstring_view value);

}  // namespace talvex::ui
