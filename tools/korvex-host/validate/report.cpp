// Summary, JSON and JUnit output of a validation run.
#include "tools/korvex-host/validate/report.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cmath>
#include <stdexcept>

#include "tools/korvex-host/output_file.h"

#include "tools/korvex-host/validate/result_extras.h"

namespace korvex_validate {
namespace {

std::string seconds(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", value);
    return text;
}

// Text as XML 1.0 allows it: markup characters escaped, control characters and invalid UTF-8
// (a plug-in's output may hold anything) replaced.
std::string xmlText(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x80) {
            switch (byte) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&apos;"; break;
            default: out += (byte < 0x20 && byte != '\t' && byte != '\n' && byte != '\r') ? '?' : static_cast<char>(byte);
            }
            ++i;
            continue;
        }
        // A well-formed multi-byte sequence of a character XML allows passes whole; anything else
        // (overlong forms, surrogates, beyond U+10FFFF, U+FFFE/U+FFFF) becomes one '?'.
        const size_t length = byte >= 0xF0 && byte < 0xF5 ? 4 : byte >= 0xE0 && byte < 0xF0 ? 3
                            : byte >= 0xC2 && byte < 0xE0 ? 2 : 0;
        bool valid = length > 0 && i + length <= text.size();
        uint32_t code = length == 4 ? byte & 0x07u : length == 3 ? byte & 0x0Fu : byte & 0x1Fu;
        for (size_t k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            valid = (next & 0xC0) == 0x80;
            code = (code << 6) | (next & 0x3Fu);
        }
        if (valid && length == 3) valid = code >= 0x800 && (code < 0xD800 || code > 0xDFFF) && code < 0xFFFE;
        if (valid && length == 4) valid = code >= 0x10000 && code <= 0x10FFFF;
        if (valid) {
            out.append(text, i, length);
            i += length;
        } else {
            out += '?';
            ++i;
        }
    }
    return out;
}

std::string testName(const CheckResult& result, int repeat, int index) {
    return repeat > 1 ? result.name + " (run " + std::to_string(index + 1) + ")" : result.name;
}

// Whole numbers (counts, IDs) print as integers rather than 1.26578444e+09.
bool isWhole(double value) { return std::isfinite(value) && std::floor(value) == value && std::fabs(value) < 9.0e15; }

// A four-character code's characters, for figures that are IDs ("unique_id"); empty when the
// value is no such code.
std::string codeCharacters(const Figure& figure) {
    const std::string suffix = "_id";
    if (figure.name.size() < suffix.size() ||
        figure.name.compare(figure.name.size() - suffix.size(), suffix.size(), suffix) != 0 || !isWhole(figure.value) ||
        figure.value < -2147483648.0 || figure.value > 4294967295.0)
        return {};
    const auto code = static_cast<uint32_t>(static_cast<int64_t>(figure.value));
    std::string text;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const char character = static_cast<char>((code >> shift) & 0xFF);
        if (character < 0x20 || character > 0x7E) return {};
        text += character;
    }
    return text;
}

std::string figureText(const Figure& figure) {
    char value[64];
    if (isWhole(figure.value))
        std::snprintf(value, sizeof value, "%lld", static_cast<long long>(figure.value));
    else
        std::snprintf(value, sizeof value, "%.9g", figure.value);
    const std::string code = codeCharacters(figure);
    return code.empty() ? value : std::string(value) + " ('" + code + "')";
}

}  // namespace

int Report::count(Status status) const {
    return static_cast<int>(
        std::count_if(results.begin(), results.end(), [status](const CheckResult& r) { return r.status == status; }));
}

nlohmann::ordered_json resultJson(const CheckResult& result) {
    nlohmann::ordered_json json;
    json["name"] = result.name;
    json["status"] = statusName(result.status);
    json["seconds"] = result.seconds;
    json["seed"] = result.seed;
    json["messages"] = result.messages;
    nlohmann::ordered_json figures = nlohmann::ordered_json::object();
    nlohmann::ordered_json codes = nlohmann::ordered_json::object();
    for (const Figure& figure : result.figures) {
        if (isWhole(figure.value)) figures[figure.name] = static_cast<int64_t>(figure.value);
        else figures[figure.name] = figure.value;
        if (const std::string code = codeCharacters(figure); !code.empty()) codes[figure.name] = code;
    }
    json["figures"] = figures;
    if (!codes.empty()) json["codes"] = codes;
    if (!result.log.empty()) json["log"] = result.log;
    addExtrasJson(json, result);
    return json;
}

CheckResult resultFromJson(const nlohmann::json& json) {
    CheckResult result;
    result.name = json.at("name").get<std::string>();
    const std::string status = json.at("status").get<std::string>();
    result.status = status == "passed"    ? Status::Passed
                    : status == "skipped" ? Status::Skipped
                    : status == "warned"  ? Status::Warned
                                          : Status::Failed;
    result.seconds = json.value("seconds", 0.0);
    result.seed = json.value("seed", uint64_t{0});
    result.messages = json.value("messages", std::vector<std::string>{});
    if (json.contains("figures"))
        for (const auto& [name, value] : json.at("figures").items())
            if (value.is_number()) result.figures.push_back({name, value.get<double>()});
    result.log = json.value("log", std::string());
    readExtrasJson(json, result);
    return result;
}

std::string verdictLine(const Report& report) {
    std::string line = std::to_string(report.count(Status::Passed)) + " passed, " +
                       std::to_string(report.count(Status::Failed)) + " failed";
    if (const int warned = report.count(Status::Warned)) line += ", " + std::to_string(warned) + " warned";
    line += ", " + std::to_string(report.count(Status::Skipped)) + " skipped";
    if (!report.interrupted.empty()) line += " (" + report.interrupted + ")";
    return line;
}

void printSummary(std::ostream& out, const Report& report) {
    size_t width = 4;
    for (const CheckResult& result : report.results) width = std::max(width, result.name.size());
    out << "\n" << "test" << std::string(width - 4 + 2, ' ') << "result   seconds  seed        first message\n";
    for (const CheckResult& result : report.results) {
        std::string status = statusName(result.status);
        status.resize(9, ' ');
        std::string time = seconds(result.seconds);
        time.insert(0, time.size() < 8 ? 8 - time.size() : 0, ' ');
        std::string seed = std::to_string(result.seed);
        seed.resize(std::max<size_t>(seed.size(), 10), ' ');
        out << result.name << std::string(width - result.name.size() + 2, ' ') << status << time << "  " << seed << "  "
            << (result.messages.empty() ? "" : result.messages.front()) << "\n";
    }
    out << "\n";
    for (const std::string& notice : report.notices) out << notice << "\n";
    out << verdictLine(report) << "\n";
}

std::string jsonText(const Report& report) {
    nlohmann::ordered_json json;
    json["plugin"] = report.plugin;
    json["module"] = report.module;
    json["level"] = report.level;
    json["seed"] = report.seed;
    json["repeat"] = report.repeat;
    json["seconds"] = report.seconds;
    json["interrupted"] = !report.interrupted.empty();
    if (!report.interrupted.empty()) json["interruption"] = report.interrupted;
    json["summary"] = {{"passed", report.count(Status::Passed)},
                       {"failed", report.count(Status::Failed)},
                       {"skipped", report.count(Status::Skipped)},
                       {"warned", report.count(Status::Warned)}};
    json["notices"] = report.notices;
    nlohmann::ordered_json tests = nlohmann::ordered_json::array();
    for (const CheckResult& result : report.results) tests.push_back(resultJson(result));
    json["tests"] = tests;
    // A plug-in's text may be anything; invalid UTF-8 is replaced rather than refused.
    return json.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

std::string junitText(const Report& report) {
    const std::string suite = report.plugin.substr(report.plugin.find_last_of("/\\") + 1);
    const std::string tests = std::to_string(report.results.size());
    const std::string failures = std::to_string(report.count(Status::Failed));
    const std::string skipped = std::to_string(report.count(Status::Skipped));
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    xml += "<testsuites name=\"korvex-host validate\" tests=\"" + tests + "\" failures=\"" + failures +
           "\" errors=\"0\" skipped=\"" + skipped + "\" time=\"" + seconds(report.seconds) + "\">\n";
    xml += "  <testsuite name=\"" + xmlText(suite) + "\" tests=\"" + tests + "\" failures=\"" + failures +
           "\" errors=\"0\" skipped=\"" + skipped + "\" time=\"" + seconds(report.seconds) + "\">\n";
    xml += "    <properties>\n";
    xml += "      <property name=\"plugin\" value=\"" + xmlText(report.plugin) + "\"/>\n";
    xml += "      <property name=\"level\" value=\"" + std::to_string(report.level) + "\"/>\n";
    xml += "      <property name=\"seed\" value=\"" + std::to_string(report.seed) + "\"/>\n";
    if (!report.interrupted.empty())
        xml += "      <property name=\"interrupted\" value=\"" + xmlText(report.interrupted) + "\"/>\n";
    // JUnit has no warning: the count is here, each test's warnings in its system-out.
    xml += "      <property name=\"warnings\" value=\"" + std::to_string(report.count(Status::Warned)) + "\"/>\n";
    xml += "    </properties>\n";
    for (size_t i = 0; i < report.results.size(); ++i) {
        const CheckResult& result = report.results[i];
        // Repeats of one check follow each other: count which run this is.
        int run = 0;
        for (size_t k = 0; k < i; ++k) run += report.results[k].name == result.name ? 1 : 0;
        xml += "    <testcase classname=\"validate\" name=\"" + xmlText(testName(result, report.repeat, run)) +
               "\" time=\"" + seconds(result.seconds) + "\">\n";
        std::string details;
        for (const std::string& message : result.messages) details += message + "\n";
        const std::string first = result.messages.empty() ? std::string() : result.messages.front();
        if (result.status == Status::Failed)
            xml += "      <failure message=\"" + xmlText(first) + "\" type=\"failure\">" + xmlText(details) +
                   "</failure>\n";
        else if (result.status == Status::Skipped)
            xml += "      <skipped message=\"" + xmlText(first) + "\"/>\n";
        std::string out = "seed " + std::to_string(result.seed) + "\n";
        if (result.status == Status::Warned) out += "warned\n";
        for (const Figure& figure : result.figures) out += figure.name + " = " + figureText(figure) + "\n";
        if (result.status != Status::Failed) out += details;
        xml += "      <system-out>" + xmlText(out) + "</system-out>\n";
        if (!result.log.empty()) xml += "      <system-err>" + xmlText(result.log) + "</system-err>\n";
        xml += "    </testcase>\n";
    }
    if (!report.notices.empty()) {
        std::string notices;
        for (const std::string& notice : report.notices) notices += notice + "\n";
        xml += "    <system-out>" + xmlText(notices) + "</system-out>\n";
    }
    xml += "  </testsuite>\n</testsuites>\n";
    return xml;
}

void writeJson(const Report& report, const std::string& path) {
    korvex_host::writeOutputFile(path, jsonText(report), "JSON report");
}

void writeJunit(const Report& report, const std::string& path) {
    korvex_host::writeOutputFile(path, junitText(report), "JUnit report");
}

}  // namespace korvex_validate
