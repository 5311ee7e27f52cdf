// What every platform's window shares: the tally of live windows and pixel access.
#include "simhost/native_window.h"

#include <atomic>

namespace simhost {
namespace {
std::atomic<int32_t> gLiveNativeWindows{0};
}

uint32_t WindowImage::pixel(int32_t x, int32_t y) const {
    const size_t at = (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3;
    return static_cast<uint32_t>(rgb[at]) << 16 | static_cast<uint32_t>(rgb[at + 1]) << 8 | rgb[at + 2];
}

NativeWindow::NativeWindow() { gLiveNativeWindows.fetch_add(1); }

NativeWindow::~NativeWindow() { gLiveNativeWindows.fetch_sub(1); }

int32_t liveNativeWindows() { return gLiveNativeWindows.load(); }

}  // namespace simhost
