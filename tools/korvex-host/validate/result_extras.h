// The parts of a check's result that are pictures rather than words (charts, screenshots, a call
// stack) to and from JSON, so the child hands them over and every report reads the same record.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tools/korvex-host/validate/check.h"

namespace korvex_validate {

// Adds "charts", "pictures" and "stack" to a result's JSON, each only when there is one.
void addExtrasJson(nlohmann::ordered_json& json, const CheckResult& result);
// Reads them back; absent keys leave the result as it is.
void readExtrasJson(const nlohmann::json& json, CheckResult& result);

std::string base64(const std::vector<uint8_t>& bytes);
// Characters outside the alphabet are skipped; std::runtime_error on a broken length.
std::vector<uint8_t> fromBase64(const std::string& text);

}  // namespace korvex_validate
