#include "framework/core/CodePage.h"

#include <cstdint>

bool IsValidUtf8(std::string_view text)
{
    std::size_t i = 0;
    const std::size_t size = text.size();
    while (i < size) {
        const auto lead = static_cast<std::uint8_t>(text[i]);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        std::size_t length = 0;
        std::uint32_t code = 0;
        std::uint32_t least = 0;
        if ((lead & 0xE0) == 0xC0) {
            length = 2, code = lead & 0x1F, least = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3, code = lead & 0x0F, least = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4, code = lead & 0x07, least = 0x10000;
        } else {
            return false;
        }
        if (size - i < length)
            return false;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<std::uint8_t>(text[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            code = code << 6 | (next & 0x3F);
        }
        if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
            return false;
        i += length;
    }
    return true;
}

#ifdef _WIN32

std::optional<std::string> NarrowExact(std::wstring_view wide, UINT codePage)
{
    if (wide.empty())
        return std::string();
    if (wide.size() > 0x7FFFFFFF / 4)
        return std::nullopt;
    const UINT resolved = codePage == CP_ACP ? ::GetACP() : codePage;
    const int units = static_cast<int>(wide.size());
    // UTF-8 has a form for every character (a lone surrogate is refused);
    // a legacy code page must not fall back on a look-alike or a default.
    const bool utf8 = resolved == CP_UTF8;
    const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
    BOOL usedDefault = FALSE;
    BOOL* usedDefaultOut = utf8 ? nullptr : &usedDefault;
    const int bytes = ::WideCharToMultiByte(resolved, flags, wide.data(), units, nullptr, 0, nullptr, usedDefaultOut);
    if (bytes <= 0 || usedDefault)
        return std::nullopt;
    std::string text(static_cast<std::size_t>(bytes), '\0');
    if (::WideCharToMultiByte(resolved, flags, wide.data(), units, text.data(), bytes, nullptr, usedDefaultOut) !=
            bytes ||
        usedDefault)
        return std::nullopt;
    return text;
}

std::wstring Widen(std::string_view text, UINT codePage)
{
    if (text.empty() || text.size() > 0x7FFFFFFF)
        return {};
    const int bytes = static_cast<int>(text.size());
    const int units = ::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), bytes, nullptr, 0);
    if (units <= 0)
        return {};
    std::wstring wide(static_cast<std::size_t>(units), L'\0');
    if (::MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, text.data(), bytes, wide.data(), units) != units)
        return {};
    return wide;
}

#endif
