// Charts, pictures and the call stack of a result as JSON.
#include "tools/korvex-host/validate/result_extras.h"

#include <cmath>
#include <stdexcept>

namespace korvex_validate {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int valueOf(char c) {
    if (c >= 'A' && c <= 'Z') return c - 'A';
    if (c >= 'a' && c <= 'z') return c - 'a' + 26;
    if (c >= '0' && c <= '9') return c - '0' + 52;
    if (c == '+') return 62;
    if (c == '/') return 63;
    return -1;
}

nlohmann::ordered_json chartJson(const Chart& chart) {
    nlohmann::ordered_json json;
    json["title"] = chart.title;
    json["x"] = chart.xLabel;
    json["y"] = chart.yLabel;
    if (chart.logX) json["log_x"] = true;
    if (chart.hasMarker) json["marker"] = {{"x", chart.markerX}, {"label", chart.markerLabel}};
    nlohmann::ordered_json series = nlohmann::ordered_json::array();
    for (const Series& line : chart.series)
        series.push_back(nlohmann::ordered_json{{"name", line.name}, {"x", line.x}, {"y", line.y}});
    json["series"] = series;
    return json;
}

// JSON has no NaN: a non-finite sample is written as null and read back as NaN, which charts leave out.
std::vector<double> numbers(const nlohmann::json& json) {
    std::vector<double> values;
    if (!json.is_array()) return values;
    for (const nlohmann::json& value : json) values.push_back(value.is_number() ? value.get<double>() : NAN);
    return values;
}

Chart chartFromJson(const nlohmann::json& json) {
    Chart chart;
    chart.title = json.value("title", std::string());
    chart.xLabel = json.value("x", std::string());
    chart.yLabel = json.value("y", std::string());
    chart.logX = json.value("log_x", false);
    if (json.contains("marker")) {
        chart.hasMarker = true;
        chart.markerX = json.at("marker").value("x", 0.0);
        chart.markerLabel = json.at("marker").value("label", std::string());
    }
    for (const nlohmann::json& line : json.value("series", nlohmann::json::array()))
        chart.series.push_back({line.value("name", std::string()), numbers(line.value("x", nlohmann::json())),
                                numbers(line.value("y", nlohmann::json()))});
    return chart;
}

}  // namespace

std::string base64(const std::vector<uint8_t>& bytes) {
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    for (size_t i = 0; i < bytes.size(); i += 3) {
        const uint32_t a = bytes[i], b = i + 1 < bytes.size() ? bytes[i + 1] : 0u,
                       c = i + 2 < bytes.size() ? bytes[i + 2] : 0u;
        const uint32_t triple = (a << 16) | (b << 8) | c;
        text += kAlphabet[(triple >> 18) & 63];
        text += kAlphabet[(triple >> 12) & 63];
        text += i + 1 < bytes.size() ? kAlphabet[(triple >> 6) & 63] : '=';
        text += i + 2 < bytes.size() ? kAlphabet[triple & 63] : '=';
    }
    return text;
}

std::vector<uint8_t> fromBase64(const std::string& text) {
    std::vector<uint8_t> bytes;
    uint32_t bits = 0;
    int count = 0, padding = 0;
    for (char c : text) {
        if (c == '=') {
            ++padding;
            continue;
        }
        const int value = valueOf(c);
        if (value < 0) continue;
        if (padding > 0) throw std::runtime_error("base64 text goes on after its padding");
        bits = (bits << 6) | static_cast<uint32_t>(value);
        if (++count == 4) {
            bytes.insert(bytes.end(), {static_cast<uint8_t>(bits >> 16), static_cast<uint8_t>(bits >> 8),
                                       static_cast<uint8_t>(bits)});
            bits = 0;
            count = 0;
        }
    }
    if (count == 1) throw std::runtime_error("base64 text of a broken length");
    if (count == 2) bytes.push_back(static_cast<uint8_t>(bits >> 4));
    if (count == 3) bytes.insert(bytes.end(), {static_cast<uint8_t>(bits >> 10), static_cast<uint8_t>(bits >> 2)});
    return bytes;
}

void addExtrasJson(nlohmann::ordered_json& json, const CheckResult& result) {
    if (!result.charts.empty()) {
        nlohmann::ordered_json charts = nlohmann::ordered_json::array();
        for (const Chart& chart : result.charts) charts.push_back(chartJson(chart));
        json["charts"] = charts;
    }
    if (!result.pictures.empty()) {
        nlohmann::ordered_json pictures = nlohmann::ordered_json::array();
        for (const Picture& picture : result.pictures)
            pictures.push_back(nlohmann::ordered_json{{"title", picture.title}, {"png", base64(picture.png)}});
        json["pictures"] = pictures;
    }
    if (!result.stack.empty()) json["stack"] = result.stack;
}

void readExtrasJson(const nlohmann::json& json, CheckResult& result) {
    for (const nlohmann::json& chart : json.value("charts", nlohmann::json::array()))
        result.charts.push_back(chartFromJson(chart));
    for (const nlohmann::json& picture : json.value("pictures", nlohmann::json::array()))
        result.pictures.push_back({picture.value("title", std::string()), fromBase64(picture.value("png", std::string()))});
    result.stack = json.value("stack", std::string());
}

}  // namespace korvex_validate
