// What --clone came to: for the error stream, "cloned: ..." when the outputs
// share blocks with inputs (what of), else "copied: ..." with the reason;
// as JSON members, "cloned" and "shared_bytes".
#pragma once
#include <string>

struct CloneReport;
class JsonObject;
std::string CloneLine(const CloneReport& report, const char* inputs);
void AddCloneJson(JsonObject& out, const CloneReport& report);
