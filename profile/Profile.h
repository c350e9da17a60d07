#pragma once

#include "framework/core/CString.h"

#include <functional>
#include <string>
#include <vector>

// The application's profile operations: named values in sections of a private
// initialization file. The application object offers them; the wallpaper list
// reads and writes itself through this interface only, so it also builds and
// runs on a machine without Windows.
class Profile {
public:
    virtual ~Profile() = default;

    // An optional sign and the leading decimal digits of the value; the default
    // when the key is missing or its value is empty.
    virtual int GetProfileInt(const char* section, const char* entry, int defaultValue) = 0;
    // The value, or the default when the key is missing or its value is empty.
    virtual CString GetProfileString(const char* section, const char* entry,
                                     const char* defaultValue = nullptr) = 0;
    virtual bool WriteProfileString(const char* section, const char* entry, const char* value) = 0;
    // The number in decimal, as a string is written. Out of line: inlined,
    // the number's conversion took 4 KiB in the set's Save alone.
    bool WriteProfileInt(const char* section, const char* entry, int value);
    // The names of the keys of a section, in file order, each as spelt there.
    virtual std::vector<CString> GetProfileKeys(const char* section) = 0;

    // Reads the backing store again, so that what follows sees it as it is now.
    virtual void RefreshProfile() {}
    // One change of several values: `edit` makes its writes on the profile as
    // it is at that moment, and they reach the backing store together, or not
    // at all when `edit` returns false (a write was refused) or the store
    // could not be written. A store that others write too (a file) is read
    // again for it, and `edit` may run more than once.
    using Edit = std::function<bool(Profile&)>;
    virtual bool UpdateProfile(const Edit& edit) = 0;

    // Why the last update failed, for the message that tells the user: the
    // file it was to write (empty for a store without one) and the system's
    // error code, 0 after a good update.
    struct SaveFailure {
        std::string file;
        unsigned long code = 0;
    };
    virtual SaveFailure LastSaveFailure() { return {}; }
};
