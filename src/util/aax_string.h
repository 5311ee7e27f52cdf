// The string every text crossing the host boundary travels in.
#pragma once

#include <cstdint>
#include <string>

// Host-facing string interface; the host calls it by slot.
class AAX_IString {
public:
    virtual ~AAX_IString() = default;                          // 0
    virtual uint32_t Length() const = 0;                       // 1 characters, without the NUL
    virtual uint32_t MaxLength() const = 0;                    // 2 always 0xFFFFFFFE
    virtual const char* Get() const = 0;                       // 3 NUL-terminated, valid until the next change
    virtual void Set(const char* text) = 0;                    // 4 copies the text
    virtual AAX_IString& operator=(const char* text) = 0;      // 5 copies the text
    virtual AAX_IString& operator=(const AAX_IString& other) = 0;  // 6 copies other.Get()
};

class AAX_CString : public AAX_IString {
public:
    AAX_CString() = default;
    AAX_CString(const char* initial) : text(initial ? initial : "") {}  // NOLINT: implicit, like the C texts it stands for
    AAX_CString(const AAX_CString& other) : AAX_IString(), text(other.text) {}
    ~AAX_CString() override = default;

    uint32_t Length() const override { return static_cast<uint32_t>(text.size()); }
    uint32_t MaxLength() const override { return 0xFFFFFFFEu; }
    const char* Get() const override { return text.c_str(); }
    void Set(const char* newText) override { text = newText ? newText : ""; }
    AAX_IString& operator=(const char* newText) override {
        Set(newText);
        return *this;
    }
    AAX_IString& operator=(const AAX_IString& other) override {
        text = other.Get();
        return *this;
    }
    AAX_CString& operator=(const AAX_CString& other) {
        text = other.text;
        return *this;
    }

    void Clear() { text.clear(); }
    void Erase(uint32_t position, uint32_t count) { text.erase(position, count); }
    char& operator[](uint32_t index) { return text[index]; }
    const char& operator[](uint32_t index) const { return text[index]; }

    // Fixed notation, exactly `precision` decimals, classic locale: 0.5 -> "0.50".
    void AppendNumber(double value, int32_t precision);

    const std::string& StdString() const { return text; }

private:
    std::string text;
};

inline bool operator==(const AAX_CString& a, const AAX_CString& b) { return a.StdString() == b.StdString(); }
