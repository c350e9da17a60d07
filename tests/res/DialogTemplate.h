// Reads a dialog template (DLGTEMPLATE or DLGTEMPLATEEX) back into plain
// values, so that tests can compare what the resource compiler really wrote
// with what the dialogs are meant to carry.
#pragma once

#include <windows.h>

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

struct ControlTemplate {
    int id = 0;             // a missing id (0xFFFF, 0xFFFFFFFF) reads as -1
    std::string className;  // the predefined atoms read as "Button", "Edit", "Static"...
    std::string text;       // a resource ordinal reads as "#104"
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
};

struct DialogTemplate {
    bool extended = false;  // DLGTEMPLATEEX
    DWORD style = 0;
    DWORD exStyle = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    std::string menu;
    std::string windowClass;
    std::string caption;
    int pointSize = 0;      // 0 without DS_SETFONT
    std::string typeface;
    std::vector<ControlTemplate> controls;
};

// Nothing when the bytes end before the template does.
std::optional<DialogTemplate> ParseDialogTemplate(const void* data, std::size_t size);

// The template of a dialog resource of the module; nothing if there is none.
std::optional<DialogTemplate> LoadDialogTemplate(HMODULE module, int id);
