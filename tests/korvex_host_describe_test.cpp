// The korvex-host command line: `describe --json` carries the whole description, errors exit nonzero.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "simhost/child_process.h"

namespace {

struct ToolRun {
    int exitCode = -1;
    std::string output;
    std::string errors;
};

ToolRun runTool(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), std::string(KORVEX_BUILD_DIR) + "/korvex-host" + simhost::executableSuffix());
    const simhost::ChildResult child = simhost::runChild(arguments, 120.0);
    ToolRun run;
    if (child.exited) run.exitCode = child.exitCode;
    run.output = child.out;
    run.errors = child.err;
    if (!child.exited) run.errors += child.summary();
    return run;
}

TEST(KorvexHost, DescribeJsonCarriesComponentsFieldsAndFactories) {
    const ToolRun run = runTool({"describe", "--json"});
    ASSERT_EQ(run.exitCode, 0) << run.output << run.errors;
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
    const ToolRun run = runTool({"describe", "--module", "/nonexistent/KORVEX.aaxplugin"});
    EXPECT_NE(run.exitCode, 0);
    // Named as the absolute path it was resolved to (on Windows with a drive and backslashes).
    EXPECT_NE(run.errors.find("nonexistent"), std::string::npos) << run.errors;
    EXPECT_NE(run.errors.find("KORVEX.aaxplugin"), std::string::npos) << run.errors;
    EXPECT_EQ(run.errors.find('\n'), run.errors.size() - 1) << run.errors;
    EXPECT_EQ(run.output, "");
}

}  // namespace
