#pragma once

#include "framework/ProfileDocument.h"

#include <string>

// The application's profile on disk: "<name>.INI" in the user's roaming
// application-data folder, read from the Windows directory when only an older
// copy there exists, saved by atomic replacement with the previous file kept
// as "<name>.INI.bak".
// (Declaration to be completed with the implementation.)
class ProfileFile : public Profile {
public:
    // `baseName` is the executable's base name, such as "Vistero".
    explicit ProfileFile(std::string baseName);

    // The file that saves go to.
    const std::string& FileName() const;
    // The system error code of the last save that failed, 0 after a good one.
    unsigned long LastSaveError() const;
};
