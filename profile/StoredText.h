#pragma once

#include "framework/core/CodePage.h"

#include <string>
#include <string_view>

// A value read from a profile that the program and its earlier versions
// wrote: as it stands when it is valid in the process's code page, else read
// in the legacy code page, in which earlier versions wrote their files, and
// given in the process's. Decided per value, since a save rewrites only its
// own keys and one file may then hold both. Only where the process's code
// page is UTF-8 do the two differ; elsewhere the value stays byte for byte as
// it is.
std::string FromStoredText(std::string_view text, const CodePages& pages);
