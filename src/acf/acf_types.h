// ACF binary basics shared by the module and every host: GUIDs and the IACFUnknown table.
#pragma once

#include <cstdint>
#include <cstring>

struct GUID {
    uint32_t d1;
    uint16_t d2;
    uint16_t d3;
    uint8_t d4[8];
};
static_assert(sizeof(GUID) == 16, "GUID is 16 bytes");

using IID = GUID;
using CLSID = GUID;

// Field by field in the stored form: 32-bit, 16-bit, 16-bit, then the last eight bytes.
inline bool operator==(const GUID& a, const GUID& b) {
    return a.d1 == b.d1 && a.d2 == b.d2 && a.d3 == b.d3 && std::memcmp(a.d4, b.d4, 8) == 0;
}
inline bool operator!=(const GUID& a, const GUID& b) { return !(a == b); }

// {00000000-0000-0000-C000-000000000046}
inline constexpr GUID IID_IACFUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// The root of every ACF interface. No destructor in the table: entry N is vtable slot N.
class IACFUnknown {
public:
    virtual int32_t QueryInterface(const GUID& iid, void** out) = 0;  // 0 [any] 0, or 0x80000004 and out null
    virtual uint32_t AddRef() = 0;                                      // 1 [any] the new count
    virtual uint32_t Release() = 0;                                     // 2 [any] the new count; 0 deleted it

protected:
    ~IACFUnknown() = default;
};
