// Output paths checked up front and files replaced by rename.
#include "tools/korvex-host/output_file.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <stdexcept>

#include "simhost/temporary_paths.h"

namespace korvex_host {
namespace {

namespace fs = std::filesystem;

fs::path folderOf(const std::string& path) {
    const fs::path parent = fs::path(path).parent_path();
    return parent.empty() ? fs::path(".") : parent;
}

}  // namespace

void checkOutputPath(const std::string& path, const std::string& what) {
    if (path.empty()) throw std::runtime_error(what + ": the file name is empty");
    std::error_code error;
    if (fs::is_directory(path, error)) throw std::runtime_error("cannot write " + what + " " + path + ": it is a folder");
    const fs::path folder = folderOf(path);
    if (!fs::exists(folder, error))
        throw std::runtime_error("cannot write " + what + " " + path + ": folder " + folder.string() + " does not exist");
    if (!fs::is_directory(folder, error))
        throw std::runtime_error("cannot write " + what + " " + path + ": " + folder.string() + " is not a folder");
}

PendingOutput::PendingOutput(std::string path, std::string kind) : target(std::move(path)), what(std::move(kind)) {
    checkOutputPath(target, what);
    // Beside the target, so the rename never crosses file systems; hidden, and unique per run.
    const unsigned long long tag = std::random_device{}() * 0x100000000ull + std::random_device{}();
    temporary = (folderOf(target) / ("." + fs::path(target).filename().string() + ".korvex-" + std::to_string(tag) +
                                     ".tmp"))
                    .string();
    simhost::rememberTemporaryPath(temporary);
}

PendingOutput::~PendingOutput() {
    if (!committed) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
    }
    simhost::forgetTemporaryPath(temporary);
}

void PendingOutput::commit() {
    std::error_code error;
    fs::rename(temporary, target, error);
    if (error) throw std::runtime_error("cannot write " + what + " " + target + ": " + error.message());
    committed = true;
}

void writeOutputFile(const std::string& path, const std::string& bytes, const std::string& what) {
    PendingOutput pending(path, what);
    {
        std::ofstream out(pending.temporaryPath(), std::ios::binary | std::ios::trunc);
        if (!out) throw std::runtime_error("cannot write " + what + " " + path + ": " + std::strerror(errno));
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) throw std::runtime_error("cannot write " + what + " " + path + ": " + std::strerror(errno));
    }
    pending.commit();
}

}  // namespace korvex_host
