// The korvex-host command line: `describe --json` carries the whole description, errors exit nonzero.
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <string>
#include <sys/wait.h>

namespace {

struct ToolRun {
    int exitCode = -1;
    std::string output;
};

ToolRun runTool(const std::string& arguments) {
    const std::string command = std::string(KORVEX_BUILD_DIR) + "/korvex-host " + arguments;
    ToolRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return run;
    std::array<char, 4096> buffer{};
    size_t got = 0;
    while ((got = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) run.output.append(buffer.data(), got);
    const int status = pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

TEST(KorvexHost, DescribeJsonCarriesComponentsFieldsAndFactories) {
    const ToolRun run = runTool("describe --json");
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const nlohmann::json description = nlohmann::json::parse(run.output);
    EXPECT_EQ(description["manufacturer"], "TOLM-lab");
    const nlohmann::json& effect = description["effects"].at(0);
    EXPECT_EQ(effect["id"], "com.tolm-lab.aax.korvex");
    EXPECT_EQ(effect["manufacturerId"], "Tolm");
    EXPECT_EQ(effect["productId"], "QpTz");
    ASSERT_EQ(effect["components"].size(), 2u);
    EXPECT_EQ(effect["components"][0]["stemFormat"], 1);
    EXPECT_EQ(effect["components"][0]["pluginIds"], nlohmann::json({"mKan", "mKaa"}));
    EXPECT_EQ(effect["components"][1]["stemFormat"], 65538);
    EXPECT_EQ(effect["components"][1]["pluginIds"], nlohmann::json({"sKan", "sKaa"}));
    EXPECT_EQ(effect["components"][1]["fields"].size(), 11u);
    EXPECT_EQ(effect["components"][1]["midiNodes"][0]["name"], "AAX_Bandclearer_MIDITrnsprt");
    EXPECT_EQ(effect["factories"][0]["kind"], 0);
    EXPECT_EQ(effect["factories"][1]["kind"], 1);
}

TEST(KorvexHost, MissingModuleGivesOneLineAndAFailingExit) {
    const ToolRun run = runTool("describe --module /nonexistent/KORVEX.aaxplugin 2>&1");
    EXPECT_NE(run.exitCode, 0);
    EXPECT_NE(run.output.find("/nonexistent/KORVEX.aaxplugin"), std::string::npos);
    EXPECT_EQ(run.output.find('\n'), run.output.size() - 1) << run.output;
}

}  // namespace
