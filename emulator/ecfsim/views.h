// What ecfsim shows of the printer's memory: the status summary, paper roll,
// call trace and fiscal memory, as text for the terminal or as JSON.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "core/device.h"

namespace ecfsim {

std::string statusText(fiscemu::Device& dev);
std::string statusJson(fiscemu::Device& dev);

// One line per row; the text forms end with a newline.
std::string paperLine(const fiscemu::PaperRow& row);
std::string paperJson(const fiscemu::PaperRow& row);
// The JSON form of a call: {id, time, function, args, result, code, meaning,
// reason}; reason is null for a call accepted or traced without one.
std::string traceJson(const fiscemu::TraceRow& row);

// The table of result codes, for `ecfsim help codes` and the manual page.
std::string codesText();

// The arguments of a traced call as typed values: numbers, texts (their bytes
// escaped as in the trace), null for NULL, {"pointer": N} for a pointer to N,
// {"text", "bytes"} for a text the trace cut. Nothing when the list is unreadable.
std::optional<nlohmann::ordered_json> traceArguments(const std::string& args);

std::string memoryText(const std::vector<fiscemu::FiscalRecord>& records);
std::string memoryJson(const std::vector<fiscemu::FiscalRecord>& records);

}  // namespace ecfsim
