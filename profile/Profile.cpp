#include "profile/Profile.h"

#include <string>

bool Profile::WriteProfileInt(const char* section, const char* entry, int value)
{
    return WriteProfileString(section, entry, std::to_string(value).c_str());
}
