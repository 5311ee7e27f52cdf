// PNG files with libpng's simplified interface: it converts any PNG to the format we ask for.
#include "tools/korvex-host/png_file.h"

#include <png.h>

#include <stdexcept>

namespace korvex_host {

void writePng(const std::string& path, const simhost::WindowImage& picture) {
    if (picture.width <= 0 || picture.height <= 0 ||
        picture.rgb.size() != static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height) * 3)
        throw std::runtime_error("cannot write " + path + ": the window gave no picture");
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(picture.width);
    image.height = static_cast<png_uint_32>(picture.height);
    image.format = PNG_FORMAT_RGB;
    if (!png_image_write_to_file(&image, path.c_str(), 0, picture.rgb.data(), 0, nullptr))
        throw std::runtime_error("cannot write " + path + ": " + image.message);
}

simhost::WindowImage readPng(const std::string& path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        throw std::runtime_error("cannot read " + path + ": " + image.message);
    image.format = PNG_FORMAT_RGB;
    simhost::WindowImage picture;
    picture.width = static_cast<int32_t>(image.width);
    picture.height = static_cast<int32_t>(image.height);
    picture.rgb.resize(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, picture.rgb.data(), 0, nullptr)) {
        png_image_free(&image);
        throw std::runtime_error("cannot read " + path + ": " + image.message);
    }
    return picture;
}

}  // namespace korvex_host
