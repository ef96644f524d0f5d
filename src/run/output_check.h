// Reporting an output or work file that could not be created or written.
#pragma once

#include <string_view>

#include "platform/console.h"
#include "text/lines.h"

namespace kestram {

// Closes the file; when it could not be created or fully written, prints one
// line naming it and the reason ("cannot write Report_indent.htm: Is a
// directory"). The run goes on either way.
void close_and_report(Console& console, std::string_view file_name, LineWriter& file);

// The same line for a file that is already closed, when writing it failed.
void report_write_failure(Console& console, std::string_view file_name, const LineWriter& file);
// The same line for a failure kept as its reason (none when empty).
void report_write_failure(Console& console, std::string_view file_name, std::string_view error);

}  // namespace kestram
