#pragma once

#include <optional>
#include <string>
#include <string_view>

#ifdef _WIN32
#include <windows.h>
#endif

// The program's strings are byte strings in the process's ANSI code page.
// Its manifest asks for UTF-8 there, so that every user, folder and picture
// name can be spelt; Windows before 10 version 1903 ignores the request, and
// the system's legacy code page (Windows-1252, 1250, 932...) serves as it
// always did. These convert between that code page and the system's UTF-16;
// how the profile reads text that an earlier version wrote in the legacy code
// page is the profile's (profile/StoredText.h).

// Well-formed UTF-8: no stray continuation byte, no cut sequence, no
// over-long form, no surrogate, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view text);

#ifdef _WIN32
// The two code pages that text read from outside may be in: the process's
// (UTF-8 where the manifest is honoured) and the legacy one of the system,
// which programs without the manifest use, and in which earlier versions
// wrote their files.
// By default, the ones of this process and system; the legacy one is looked
// up only for a value that needs it, not at every start.
struct CodePages {
    UINT process = CP_ACP;
    UINT legacy = SystemLegacy;

    static constexpr UINT SystemLegacy = 0;
};

// The UTF-16 text in the process's code page, exactly; nothing when a
// character has no form there (a legacy code page without it: the system
// would give a look-alike or "?", which names another file or none).
std::optional<std::string> NarrowExact(std::wstring_view wide, UINT codePage = CP_ACP);
// The text in UTF-16; empty for text that is not valid in the code page.
std::wstring Widen(std::string_view text, UINT codePage = CP_ACP);
#endif
