#pragma once

// The hive file as another program sees it, and the store's values as the helper reports them.

#include "Generation.h"

#include <map>
#include <string>
#include <vector>

namespace faults {

std::string HiveFolder(const std::string& config);
std::string HiveFile(const std::string& config);

// Runs SQL on a database file outside the store; returns the first column of every row, or
// throws with SQLite's message.
std::vector<std::string> Sql(const std::string& file, const std::string& sql);

// "get:<name>" for all seven values, in the order of TValues.
std::vector<std::string> GetAllOps();
// Parses the helper's answers to GetAllOps; false when a line is not a plain value.
bool ParseValues(const std::vector<std::string>& lines, TValues& values, std::string& error);

} // namespace faults
