// state.damaged: a chunk made for another plug-in is refused before it reaches this one, and
// damaged chunks of its own (empty, cut short, scrambled, oversized) crash nothing: the plug-in
// renders finite output afterwards, still gives a chunk, and takes its valid chunk back.
#include <algorithm>
#include <memory>
#include <random>
#include <vector>

#include "acf/result_codes.h"
#include "parameters/aax_chunk.h"
#include "parameters/aax_iacf_effect_parameters.h"
#include "tools/korvex-host/fault_report.h"
#include "tools/korvex-host/validate/checks.h"
#include "tools/korvex-host/validate/plugin_state.h"
#include "tools/korvex-host/validate/render_run.h"

namespace korvex_validate {
namespace {

enum class Damage { Empty, Half, FirstBytes, Scrambled, FlippedBits, Appended, Huge };

// Literals: the fault report may print them.
const char* damageText(Damage damage) {
    switch (damage) {
    case Damage::Empty: return "loading a damaged chunk: empty";
    case Damage::Half: return "loading a damaged chunk: its first half only";
    case Damage::FirstBytes: return "loading a damaged chunk: its first 4 bytes only";
    case Damage::Scrambled: return "loading a damaged chunk: random bytes of the same size";
    case Damage::FlippedBits: return "loading a damaged chunk: 8 bits flipped";
    case Damage::Appended: return "loading a damaged chunk: 1000 random bytes appended";
    case Damage::Huge: return "loading a damaged chunk: 1 MB of random bytes";
    }
    return "loading a damaged chunk";
}

std::vector<uint8_t> damaged(const std::vector<uint8_t>& chunk, Damage damage, std::mt19937_64& random) {
    std::uniform_int_distribution<int> byte(0, 255);
    std::vector<uint8_t> out = chunk;
    switch (damage) {
    case Damage::Empty: out.clear(); break;
    case Damage::Half: out.resize(chunk.size() / 2); break;
    case Damage::FirstBytes: out.resize(std::min<size_t>(4, chunk.size())); break;
    case Damage::Scrambled:
        for (uint8_t& b : out) b = static_cast<uint8_t>(byte(random));
        break;
    case Damage::FlippedBits:
        for (int i = 0; i < 8 && !out.empty(); ++i)
            out[std::uniform_int_distribution<size_t>(0, out.size() - 1)(random)] ^= static_cast<uint8_t>(1u << (i % 8));
        break;
    case Damage::Appended:
        for (int i = 0; i < 1000; ++i) out.push_back(static_cast<uint8_t>(byte(random)));
        break;
    case Damage::Huge:
        out.resize(1 << 20);
        for (uint8_t& b : out) b = static_cast<uint8_t>(byte(random));
        break;
    }
    return out;
}

// A chunk record as the host hands one over, under any chunk ID.
int32_t setChunkAs(Instance& instance, uint32_t chunkId, const std::vector<uint8_t>& data) {
    std::vector<uint8_t> record(kChunkHeaderSize + data.size(), 0);
    auto* chunk = reinterpret_cast<AAX_SPlugInChunk*>(record.data());
    chunk->fSize = static_cast<int32_t>(data.size());
    chunk->fChunkID = chunkId;
    std::copy(data.begin(), data.end(), record.begin() + kChunkHeaderSize);
    return instance.sim().effectParameters()->SetChunk(chunkId, chunk);
}

}  // namespace

void checkStateDamaged(CheckContext& context) {
    Session& session = context.session();
    std::unique_ptr<Instance> instance = session.instance();
    const probe::InstanceLog& log = instance->log();
    const uint32_t ownId = instance->sim().chunkId();
    std::vector<uint8_t> chunk;
    instance->sim().saveChunk(chunk);
    context.keep("valid-chunk.bin", chunk);

    // Another plug-in's chunk: the module must stop it before the plug-in sees it.
    const int32_t loadsBefore = log.chunkLoads.load();
    std::vector<uint8_t> foreign(chunk.empty() ? std::vector<uint8_t>(64, 0x5A) : chunk);
    const int32_t refused = setChunkAs(*instance, ownId ^ 0x20202020u, foreign);
    if (refused == kResultSuccess) context.fail("a chunk with another plug-in's chunk ID was accepted");
    if (log.chunkLoads.load() != loadsBefore) context.fail("a chunk with another plug-in's chunk ID reached the plug-in");

    if (chunk.empty()) {
        context.note("the plug-in gives no chunk: only another plug-in's chunk was tried");
        return;
    }
    const std::vector<float> values = pluginValues(*instance);
    RenderRun run(context, *instance, nullptr, context.seed(), instance->facts().isSynth());
    run.blocks(512, 8);
    const bool cleanBefore = run.watch().problems().empty();
    for (Damage damage : {Damage::Empty, Damage::Half, Damage::FirstBytes, Damage::Scrambled, Damage::FlippedBits,
                          Damage::Appended, Damage::Huge}) {
        const char* what = damageText(damage);
        {
            korvex_host::FaultScope scope(what);
            const std::vector<uint8_t> bad = damaged(chunk, damage, context.random());
            // Kept before the plug-in sees it: the one left is the one it crashed or hung on.
            context.keep("damaged-chunk.bin", bad);
            instance->sim().loadChunk(bad);
            run.setLabel(std::string("after ") + what);
            run.blocks(512, 8);
            std::vector<uint8_t> after;
            if (instance->sim().saveChunk(after) != kResultSuccess || after.empty())
                context.fail(std::string("after ") + what + ", the plug-in gives no chunk");
        }
        korvex_host::FaultScope scope("loading the valid chunk back after a damaged one");
        instance->sim().loadChunk(chunk);
        if (const std::string difference = valueDifference(values, pluginValues(*instance)); !difference.empty())
            context.fail(std::string("after ") + what + ", the valid chunk no longer restores the values: " + difference);
        if (cleanBefore) run.reportSignalProblems();
        if (context.failed()) break;
    }
}

}  // namespace korvex_validate
