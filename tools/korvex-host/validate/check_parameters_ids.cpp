// parameters.ids: every parameter the plug-in lets a host automate reaches the host, under the ID
// text the plug-in gives for it (private opcode -14), which the plug-in resolves back to the same
// index (opcode -15). A plug-in that answers no ID text keeps all its parameters from the host.
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "tools/korvex-host/validate/checks.h"
#include "tools/korvex-host/validate/session.h"

namespace korvex_validate {
namespace {

// The module's ID buffer: 32 bytes, so at most 31 characters.
constexpr int32_t kIdCapacity = 32;

std::string indexList(const std::vector<int32_t>& indices) {
    std::string text;
    for (size_t i = 0; i < indices.size() && i < 8; ++i) text += (i ? ", " : "") + std::to_string(indices[i]);
    if (indices.size() > 8) text += " and " + std::to_string(indices.size() - 8) + " more";
    return text;
}

}  // namespace

void checkParameterIds(CheckContext& context) {
    Session& session = context.session();
    std::unique_ptr<Instance> instance = session.instance();
    const int32_t index = instance->probeIndex();
    if (index < 0) context.abort("the validator's probe did not see the plug-in instance");
    Probe& probe = session.probe();
    const int32_t count = instance->facts().numParams;

    const std::string bypass = instance->sim().masterBypassId();
    std::map<std::string, simhost::ParameterInfo> host;
    for (const simhost::ParameterInfo& info : instance->sim().parameterList())
        if (info.id != bypass) host[info.id] = info;

    int32_t automatable = 0;
    std::vector<int32_t> noId, duplicate, unresolved, missing, unnamed;
    std::set<std::string> seen;
    for (int32_t i = 0; i < count; ++i) {
        if (probe.dispatch(index, effCanBeAutomated, i) == 0) continue;
        ++automatable;
        char id[256] = {};
        probe.dispatch(index, kPrivateGetParamID, i, kIdCapacity, id);
        id[kIdCapacity - 1] = '\0';
        if (id[0] == '\0') {
            noId.push_back(i);
            continue;
        }
        if (!seen.insert(id).second) {
            duplicate.push_back(i);
            continue;
        }
        if (probe.dispatch(index, kPrivateGetParamIndex, 0, 0, id) != i) unresolved.push_back(i);
        const auto found = host.find(id);
        if (found == host.end()) missing.push_back(i);
        else if (found->second.name.empty()) unnamed.push_back(i);
    }
    const int32_t reached = automatable - static_cast<int32_t>(noId.size() + duplicate.size() + missing.size());
    context.figure("vst_parameters", count);
    context.figure("automatable", automatable);
    context.figure("host_parameters", static_cast<double>(host.size()));

    if (!noId.empty())
        context.fail(std::to_string(noId.size()) + " of " + std::to_string(automatable) +
                     " automatable parameters have no ID text (opcode -14 answers nothing), so no host can reach "
                     "them: parameters " + indexList(noId));
    if (!duplicate.empty())
        context.fail("parameters " + indexList(duplicate) + " repeat the ID text of an earlier parameter; only the first "
                     "reaches the host");
    if (!unresolved.empty())
        context.fail("for parameters " + indexList(unresolved) +
                     " the plug-in resolves the ID text (opcode -15) to another index: host values would land on "
                     "the wrong parameter");
    if (!missing.empty())
        context.fail("parameters " + indexList(missing) + " have ID texts but the host does not list them");
    if (!unnamed.empty()) context.fail("parameters " + indexList(unnamed) + " reach the host without a name");
    if (reached < automatable)
        context.fail(std::to_string(reached) + " of " + std::to_string(automatable) +
                     " automatable parameters reach the host");
    if (count == 0) context.note("the plug-in has no parameters");
}

}  // namespace korvex_validate
