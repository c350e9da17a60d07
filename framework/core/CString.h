#pragma once

#ifdef _WIN32
// <windows.h> renames these by macro to their "A" functions, which would give
// the string and the profile interface different member names in different
// translation units. Including it here first and dropping the macros keeps
// one spelling everywhere; the program calls the "A" functions by their
// explicit names.
#include <windows.h>
#undef LoadString
#undef FormatMessage
#undef GetProfileInt
#undef GetProfileString
#undef WriteProfileString
#endif

#include <cstdarg>
#include <string>
#include <string_view>
#include <utility>

// A byte string in the system's ANSI code page, with the operations the
// program uses. The text lives in a std::string; the C string view stays valid
// until the string is changed.
class CString {
public:
    CString() = default;
    CString(const char* text) : text(text ? text : "") {}
    CString(std::string text) : text(std::move(text)) {}
    CString(std::string_view text) : text(text) {}

    int GetLength() const { return static_cast<int>(text.size()); }
    bool IsEmpty() const { return text.empty(); }
    const char* GetString() const { return text.c_str(); }
    operator const char*() const { return text.c_str(); }

    const std::string& str() const { return text; }
    std::string& str() { return text; }

    // Byte-wise comparison: equal only when byte for byte identical.
    int Compare(const char* other) const { return text.compare(other ? other : ""); }
    friend bool operator==(const CString& a, const CString& b) { return a.text == b.text; }
    friend bool operator==(const CString& a, const char* b) { return a.Compare(b) == 0; }

    // printf-style formatting. The format is always a literal of the program;
    // text from outside (paths, profile values) only ever travels as an argument.
    void Format(const char* format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 2, 3)))
#endif
        ;
    void FormatV(const char* format, va_list arguments);

#ifdef _WIN32
    // Loads string resource `id` of the program; false (and empty) if there is none.
    bool LoadString(unsigned id);
    // FormatMessageA with inserts such as %1!d!, from a string resource.
    void FormatMessage(unsigned formatId, ...);
#endif

private:
    std::string text;
};
