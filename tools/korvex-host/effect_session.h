// What every instance-making command shares: the module started and described, one effect
// instance wrapping the VST library chosen with --vst, and the --set and chunk-file helpers.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "simhost/sim_effect_instance.h"
#include "simhost/sim_host.h"
#include "simhost/vst_install.h"

namespace korvex_host {

// --vst: a VST 2.4 library, or an install folder holding VST64/KORVEX.dll; empty means the
// reference plug-in this build made. Always absolute: children and the module's loader, which
// searches its own places for a bare name, must open the file the user meant.
std::string vstLibraryPath(const std::string& vstOption);
// Empty when `library` is a file that looks like a library; else the one-line reason it is not
// ("not found", "is a folder", "exists but is not a library").
std::string vstLibraryProblem(const std::string& library);

// One host and one instance over the library; std::runtime_error with a one-line reason when the
// module or the plug-in cannot be used.
class EffectSession {
public:
    explicit EffectSession(const simhost::InstanceOptions& options);
    ~EffectSession();
    EffectSession(const EffectSession&) = delete;
    EffectSession& operator=(const EffectSession&) = delete;

    simhost::SimEffectInstance& instance() { return *effect; }
    // The host the instance lives in, for commands that make more objects (the editor).
    simhost::SimHost& simHost() { return *host; }
    const std::string& libraryPath() const { return library; }

private:
    std::string library;
    // Before the host: the module reads the registry when it loads. None with --installed, where
    // the registry is left as it stands.
    std::optional<simhost::VstInstall> install;
    std::unique_ptr<simhost::SimHost> host;
    std::unique_ptr<simhost::SimEffectInstance> effect;
};

// "ID=VALUE": the ID may be empty (the bypass has the empty ID); VALUE a number in [0, 1].
struct ParameterSetting {
    std::string id;
    double value = 0.0;
};
ParameterSetting parseSetting(const std::string& text);
// Each setting reaches the instance as a host delivery; an ID the instance lacks is an error.
void applySettings(simhost::SimEffectInstance& instance, const std::vector<std::string>& settings);

// Chunk files: "KVXH", the chunk ID, the data size (each 32-bit big-endian), then the data.
struct ChunkFile {
    uint32_t chunkId = 0;
    std::vector<uint8_t> data;
};
std::vector<uint8_t> encodeChunkFile(const ChunkFile& file);
ChunkFile decodeChunkFile(const std::vector<uint8_t>& bytes, const std::string& path);

// The instance's chunk, written to / loaded from a chunk file. Loading refuses a chunk made for
// another plug-in. A plug-in may give back another chunk than it was given (re-encoding it, or
// refusing it silently): that is reported in `readBack`, and the caller goes on.
struct LoadedState {
    size_t bytes = 0;
    std::string readBack;  // "" when the plug-in gives back the chunk it took; else how it differs
};
// The instance's chunk as a chunk file's bytes; std::runtime_error when the plug-in gives none.
std::vector<uint8_t> stateFileBytes(simhost::SimEffectInstance& instance, size_t* chunkBytes = nullptr);
size_t saveState(simhost::SimEffectInstance& instance, const std::string& path);
// The warning line for a chunk of 0 bytes: a plug-in that keeps no state there.
std::string emptyChunkWarning(const std::string& path);
LoadedState loadState(simhost::SimEffectInstance& instance, const std::string& path);
// The warning line for a chunk that did not read back unchanged (empty when it did).
std::string readBackWarning(const LoadedState& loaded, const std::string& path);

// A state file read and checked for form, without an instance: commands read their inputs before
// they load anything.
ChunkFile readStateFile(const std::string& path);

std::string chunkIdText(uint32_t chunkId);

}  // namespace korvex_host
