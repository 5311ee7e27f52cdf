// Editor pictures through the command-line host's PNG writer.
#include "tools/korvex-host/validate/editor_picture.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "tools/korvex-host/png_file.h"

namespace korvex_validate {

simhost::WindowImage capturePicture(simhost::NativeWindow& window) {
    try {
        return window.capture();
    } catch (const std::exception&) {
        return {};
    }
}

void keepPicture(CheckContext& context, const simhost::WindowImage& image, const std::string& title) {
    if (image.width <= 0 || image.height <= 0 || image.rgb.empty()) return;
    namespace fs = std::filesystem;
    // The PNG writer writes files: into the kept files, or a private temporary one.
    const fs::path path = context.keeping()
                              ? fs::path(context.keepFolder()) / "editor.png"
                              : fs::temp_directory_path() / ("korvex-editor-" + std::to_string(std::random_device{}()) + ".png");
    try {
        korvex_host::writePng(path.string(), image);
    } catch (const std::exception& error) {
        // A build without PNG says so where files were asked for, not on every editor test.
        if (context.keeping()) context.note(std::string("no picture of the editor: ") + error.what());
        return;
    }
    std::ifstream in(path, std::ios::binary);
    std::vector<uint8_t> png{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    in.close();
    if (!context.keeping()) {
        std::error_code ignored;
        fs::remove(path, ignored);
    }
    context.picture(title, std::move(png));
}

}  // namespace korvex_validate
