#pragma once

#include <string>
#include <string_view>

// How the profile reads a section or key name, as the platform's own profile
// functions do: spaces and tabs around it don't count, and letters compare
// without regard to ASCII case. The document finds keys by this rule and the
// wallpaper list recognises its "File<n>" keys by it; were they to differ,
// the list would read another set of keys than the document holds.

inline bool IsProfileBlank(char c)
{
    return c == ' ' || c == '\t';
}

// Without the spaces and tabs around it; values are trimmed the same way.
inline std::string_view TrimProfileText(std::string_view text)
{
    while (!text.empty() && IsProfileBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsProfileBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

// ASCII only: the names the program uses are ASCII, and folding bytes above
// 127 would depend on a code page the file does not name.
inline char FoldNameChar(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline std::string FoldName(std::string_view name)
{
    std::string folded(name);
    for (char& c : folded)
        c = FoldNameChar(c);
    return folded;
}

// The same name for the profile (both already trimmed).
inline bool SameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (FoldNameChar(a[i]) != FoldNameChar(b[i]))
            return false;
    }
    return true;
}
