#pragma once

#include "framework/Profile.h"

#include <string>
#include <string_view>

// An initialization file held in memory: the profile's reading and writing
// rules on the text of one file. Reads follow the platform's own profile
// functions; writes keep every other line of the file as it was.
// (Declaration to be completed with the implementation.)
class ProfileDocument : public Profile {
public:
    ProfileDocument() = default;
    explicit ProfileDocument(std::string_view text);

    // Replaces the document by the given file text.
    void Parse(std::string_view text);
    // The file text of the document.
    std::string Serialize() const;
};
