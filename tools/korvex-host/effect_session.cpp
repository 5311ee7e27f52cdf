// Making the command-line host's effect instance, with a clear reason when the module or the
// wrapped plug-in cannot be used, and the settings and chunk-file helpers the commands share.
#include "tools/korvex-host/effect_session.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "acf/result_codes.h"
#include "simhost/dynamic_library.h"
#include "tools/korvex-host/chunk_difference.h"
#include "tools/korvex-host/commands.h"
#include "tools/korvex-host/fault_report.h"
#include "tools/korvex-host/output_file.h"
#include "util/four_char_code.h"

namespace korvex_host {
namespace {

namespace fs = std::filesystem;

constexpr uint8_t kChunkFileMagic[4] = {'K', 'V', 'X', 'C'};
constexpr size_t kChunkFileHeader = 12;

// The module keeps its load-failure text to itself, so the host finds the reason the same way
// the module's loader met it: open the library, then find "main".
std::string loadFailureReason(const std::string& path) {
    std::string reason;
    void* handle = simhost::openLibrary(path, &reason);
    if (!handle) return reason;
    const bool hasMain = simhost::librarySymbol(handle, "main") != nullptr;
    simhost::closeLibrary(handle);
    return hasMain ? "its main entry made no plug-in" : "it exports no main entry";
}

bool pluginLoaded(simhost::SimEffectInstance& instance) {
    const std::vector<uint8_t> flag = instance.controller().packet(8);
    int32_t loaded = 0;
    if (flag.size() == sizeof loaded) std::memcpy(&loaded, flag.data(), sizeof loaded);
    return loaded == 1;
}

void appendBig(std::vector<uint8_t>& to, uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) to.push_back(static_cast<uint8_t>(value >> shift));
}

uint32_t readBig(const uint8_t* bytes) {
    return (uint32_t{bytes[0]} << 24) | (uint32_t{bytes[1]} << 16) | (uint32_t{bytes[2]} << 8) | bytes[3];
}

std::vector<uint8_t> readFile(const std::string& path) {
    std::error_code ignored;
    if (fs::is_directory(path, ignored)) throw std::runtime_error("cannot read state file " + path + ": it is a folder");
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read state file " + path + ": " + std::strerror(errno));
    std::vector<uint8_t> bytes;
    try {
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    } catch (const std::exception&) {
        throw std::runtime_error("cannot read state file " + path);
    }
    if (in.bad()) throw std::runtime_error("cannot read state file " + path);
    return bytes;
}

}  // namespace

std::string vstLibraryPath(const std::string& vstOption) {
    std::error_code error;
    const fs::path option = vstOption.empty() ? fs::path(simhost::defaultInstallFolder()) : fs::path(vstOption);
    const fs::path library = fs::is_directory(option, error) ? option / "VST64" / "KORVEX.dll" : option;
    const fs::path absolute = fs::absolute(library, error);
    return (error ? library : absolute).lexically_normal().string();
}

std::string vstLibraryProblem(const std::string& library) {
    std::error_code error;
    if (!fs::exists(library, error)) return "VST plug-in not found: " + library;
    if (!fs::is_regular_file(library, error)) return "VST plug-in " + library + " is not a file";
    std::ifstream in(library, std::ios::binary);
    if (!in) return "cannot read VST plug-in " + library + ": " + std::strerror(errno);
    unsigned char head[4] = {};
    in.read(reinterpret_cast<char*>(head), sizeof head);
    // ELF, PE ("MZ") and Mach-O (either byte order, 32 or 64 bits, or universal) open this way.
    const uint32_t word = readBig(head);
    const bool known = (in.gcount() == 4 && word == 0x7F454C46u) || (in.gcount() >= 2 && head[0] == 'M' && head[1] == 'Z') ||
                         (in.gcount() == 4 && (word == 0xFEEDFACEu || word == 0xFEEDFACFu || word == 0xCEFAEDFEu ||
                                               word == 0xCFFAEDFEu || word == 0xCAFEBABEu));
    if (!known) return "VST plug-in " + library + " exists but is not a library (no ELF, PE or Mach-O header)";
    return {};
}

namespace {
std::optional<simhost::VstInstall> installFor(const std::string& library) {
    if (hostOptions().installed) return std::nullopt;
    if (const std::string problem = vstLibraryProblem(library); !problem.empty()) throw std::runtime_error(problem);
    return simhost::VstInstall::forPath(library);
}

constexpr const char* kInstalledLibrary =
    "the installed product's VST64\\KORVEX.dll (the folder HKEY_LOCAL_MACHINE\\Software\\TOLM-lab\\KORVEX\\installdirectory names)";
}  // namespace

EffectSession::EffectSession(const simhost::InstanceOptions& options)
    : library(hostOptions().installed ? kInstalledLibrary : vstLibraryPath(hostOptions().vstPath)),
      install(installFor(library)) {
    host = std::make_unique<simhost::SimHost>(hostOptions().modulePath);
    if (const int32_t result = host->startup(); result != kResultSuccess)
        throw simhost::HostError("ACFStartup failed with " + simhost::resultText(result));
    host->describe();
    {
        FaultScope scope("making the effect instance (the plug-in's main entry, effOpen and its parameter queries)");
        effect = std::make_unique<simhost::SimEffectInstance>(*host, options);
    }
    if (const int32_t result = effect->initializeResult(); result != kResultSuccess)
        throw simhost::HostError("the effect's Initialize failed with " + simhost::resultText(result));
    if (!pluginLoaded(*effect) && hostOptions().installed)
        throw std::runtime_error("the module could not load " + library + ": is the product installed?");
    if (!pluginLoaded(*effect))
        throw std::runtime_error("the module could not load the VST plug-in " + library + ": " +
                                 loadFailureReason(library));
}

EffectSession::~EffectSession() {
    // The instance goes before the host it was made by; the host then shuts the module down.
    FaultScope scope("releasing the effect instance (the plug-in's effClose)");
    effect.reset();
    if (host) host->shutdown();
}

ParameterSetting parseSetting(const std::string& text) {
    // Values never hold '=', IDs might: split at the last one.
    const size_t equals = text.rfind('=');
    if (equals == std::string::npos) throw std::runtime_error("--set wants ID=VALUE, got '" + text + "'");
    ParameterSetting setting;
    setting.id = text.substr(0, equals);
    const std::string value = text.substr(equals + 1);
    char* end = nullptr;
    errno = 0;
    setting.value = std::strtod(value.c_str(), &end);
    if (value.empty() || *end != '\0' || errno == ERANGE || !std::isfinite(setting.value))
        throw std::runtime_error("--set " + text + ": '" + value + "' is not a number");
    if (setting.value < 0.0 || setting.value > 1.0)
        throw std::runtime_error("--set " + text + ": normalized values lie in [0, 1]");
    return setting;
}

void applySettings(simhost::SimEffectInstance& instance, const std::vector<std::string>& settings) {
    for (const std::string& text : settings) {
        const ParameterSetting setting = parseSetting(text);
        if (!instance.findParameter(setting.id))
            throw std::runtime_error("unknown parameter ID '" + setting.id + "' (korvex-host params lists them)");
        FaultScope scope("setParameter, through the module's UpdateParameterNormalizedValue");
        if (const int32_t result = instance.setParameter(setting.id, setting.value); result != kResultSuccess)
            throw std::runtime_error("the module refused " + text + ": " + simhost::resultText(result));
    }
}

std::vector<uint8_t> encodeChunkFile(const ChunkFile& file) {
    std::vector<uint8_t> bytes(std::begin(kChunkFileMagic), std::end(kChunkFileMagic));
    appendBig(bytes, file.chunkId);
    appendBig(bytes, static_cast<uint32_t>(file.data.size()));
    bytes.insert(bytes.end(), file.data.begin(), file.data.end());
    return bytes;
}

ChunkFile decodeChunkFile(const std::vector<uint8_t>& bytes, const std::string& path) {
    if (bytes.size() < kChunkFileHeader || std::memcmp(bytes.data(), kChunkFileMagic, 4) != 0)
        throw std::runtime_error(path + " is not a korvex-host state file");
    ChunkFile file;
    file.chunkId = readBig(bytes.data() + 4);
    const uint32_t size = readBig(bytes.data() + 8);
    if (size != bytes.size() - kChunkFileHeader)
        throw std::runtime_error("state file " + path + " is damaged: it announces " + std::to_string(size) +
                                 " bytes of chunk and holds " + std::to_string(bytes.size() - kChunkFileHeader));
    file.data.assign(bytes.begin() + kChunkFileHeader, bytes.end());
    return file;
}

std::vector<uint8_t> stateFileBytes(simhost::SimEffectInstance& instance, size_t* chunkBytes) {
    ChunkFile file;
    int32_t result = kResultSuccess;
    file.chunkId = instance.chunkId(&result);
    if (result == kResultSuccess) {
        FaultScope scope("effGetChunk, through the module's GetChunk");
        result = instance.saveChunk(file.data);
    }
    if (result != kResultSuccess)
        throw std::runtime_error("the plug-in gave no chunk: " + simhost::resultText(result));
    if (chunkBytes) *chunkBytes = file.data.size();
    return encodeChunkFile(file);
}

size_t saveState(simhost::SimEffectInstance& instance, const std::string& path) {
    size_t size = 0;
    const std::vector<uint8_t> bytes = stateFileBytes(instance, &size);
    writeOutputFile(path, std::string(bytes.begin(), bytes.end()), "state file");
    return size;
}

std::string emptyChunkWarning(const std::string& path) {
    return std::string(kFaultLinePrefix) + "warning: the plug-in's chunk is empty (it keeps no state there, or " +
           "gives none away): " + path + " holds no state to load";
}

ChunkFile readStateFile(const std::string& path) { return decodeChunkFile(readFile(path), path); }

LoadedState loadState(simhost::SimEffectInstance& instance, const std::string& path) {
    const ChunkFile file = readStateFile(path);
    const uint32_t expected = instance.chunkId();
    if (file.chunkId != expected)
        throw std::runtime_error("state file " + path + " holds a chunk of plug-in " + chunkIdText(file.chunkId) +
                                 ", this plug-in's is " + chunkIdText(expected));
    {
        FaultScope scope("effSetChunk, through the module's SetChunk");
        if (const int32_t result = instance.loadChunk(file.data); result != kResultSuccess)
            throw std::runtime_error("the module refused the chunk in " + path + ": " + simhost::resultText(result));
    }
    // The module does not pass the plug-in's answer on, so reading the chunk back is the only way
    // to see what the plug-in made of it. Plug-ins that re-encode their state (amsynth rewrites
    // its preset text) give back another chunk for a state they did take: say so, and go on.
    LoadedState loaded;
    loaded.bytes = file.data.size();
    std::vector<uint8_t> readBack;
    int32_t result = kResultSuccess;
    {
        FaultScope scope("effGetChunk, through the module's GetChunk");
        result = instance.saveChunk(readBack);
    }
    if (result != kResultSuccess)
        loaded.readBack = "the plug-in gives no chunk back: " + simhost::resultText(result);
    else
        loaded.readBack = chunkDifference(file.data, readBack, "loaded", "read back");
    return loaded;
}

std::string readBackWarning(const LoadedState& loaded, const std::string& path) {
    if (loaded.readBack.empty()) return {};
    return std::string(kFaultLinePrefix) + "warning: after loading " + path +
           " the plug-in gives back another chunk: " + loaded.readBack +
           "; going on (validate's state tests judge round trips)";
}

std::string chunkIdText(uint32_t chunkId) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08X", chunkId);
    bool printable = true;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const unsigned character = (chunkId >> shift) & 0xFF;
        printable = printable && character >= 0x20 && character < 0x7F;
    }
    return printable ? "'" + fourCharText(static_cast<int32_t>(chunkId)) + "' (" + hex + ")" : std::string(hex);
}

}  // namespace korvex_host
