#include "DialogTemplate.h"

#include <cstdint>
#include <cstring>

namespace {

// Reads little-endian fields with bounds checks; any read past the end marks
// the whole parse as failed instead of touching memory beyond the resource.
class Reader {
public:
    Reader(const void* data, std::size_t size) : bytes(static_cast<const std::uint8_t*>(data)), size(size) {}

    bool Failed() const { return failed; }

    WORD Word()
    {
        WORD value = 0;
        Copy(&value, sizeof value);
        return value;
    }

    DWORD Dword()
    {
        DWORD value = 0;
        Copy(&value, sizeof value);
        return value;
    }

    short Short() { return static_cast<short>(Word()); }

    void AlignToDword() { position = (position + 3) & ~std::size_t{3}; }

    void Skip(std::size_t count)
    {
        if (count > size - position)
            failed = true;
        else
            position += count;
    }

    // A NUL-terminated UTF-16 string, as ANSI.
    std::string String()
    {
        std::wstring wide;
        for (WORD unit = Word(); unit != 0 && !failed; unit = Word())
            wide.push_back(static_cast<wchar_t>(unit));
        return Narrow(wide);
    }

    // A string or an ordinal (0xFFFF followed by the number). Ordinals
    // become "#n" unless the caller names them.
    template <typename NameOrdinal>
    std::string StringOrOrdinal(NameOrdinal nameOrdinal)
    {
        const std::size_t start = position;
        const WORD first = Word();
        if (first == 0xFFFF)
            return nameOrdinal(Word());
        position = start;
        return String();
    }

private:
    void Copy(void* target, std::size_t count)
    {
        if (failed || count > size - position) {
            failed = true;
            return;
        }
        std::memcpy(target, bytes + position, count);
        position += count;
    }

    static std::string Narrow(const std::wstring& wide)
    {
        if (wide.empty())
            return {};
        const int length = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()),
                                               nullptr, 0, nullptr, nullptr);
        std::string narrow(static_cast<std::size_t>(length), '\0');
        WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), narrow.data(), length,
                            nullptr, nullptr);
        return narrow;
    }

    const std::uint8_t* bytes;
    std::size_t size;
    std::size_t position = 0;
    bool failed = false;
};

std::string OrdinalName(WORD ordinal)
{
    std::string name = "#";
    name += std::to_string(ordinal);
    return name;
}

std::string ClassAtomName(WORD atom)
{
    switch (atom) {
    case 0x0080: return "Button";
    case 0x0081: return "Edit";
    case 0x0082: return "Static";
    case 0x0083: return "ListBox";
    case 0x0084: return "ScrollBar";
    case 0x0085: return "ComboBox";
    default: return OrdinalName(atom);
    }
}

} // namespace

std::optional<DialogTemplate> ParseDialogTemplate(const void* data, std::size_t size)
{
    Reader reader(data, size);
    DialogTemplate dialog;
    WORD count = 0;

    const WORD version = reader.Word();
    const WORD signature = reader.Word();
    dialog.extended = version == 1 && signature == 0xFFFF;
    if (dialog.extended) {
        reader.Dword(); // help id
        dialog.exStyle = reader.Dword();
        dialog.style = reader.Dword();
    } else {
        dialog.style = MAKELONG(version, signature);
        dialog.exStyle = reader.Dword();
    }
    count = reader.Word();
    dialog.x = reader.Short();
    dialog.y = reader.Short();
    dialog.cx = reader.Short();
    dialog.cy = reader.Short();
    dialog.menu = reader.StringOrOrdinal(OrdinalName);
    dialog.windowClass = reader.StringOrOrdinal(OrdinalName);
    dialog.caption = reader.String();
    if (dialog.style & (DS_SETFONT | DS_SHELLFONT)) {
        dialog.pointSize = reader.Word();
        if (dialog.extended) {
            reader.Word(); // weight
            reader.Skip(2); // italic, character set
        }
        dialog.typeface = reader.String();
    }

    for (WORD i = 0; i < count && !reader.Failed(); ++i) {
        reader.AlignToDword();
        ControlTemplate control;
        if (dialog.extended) {
            reader.Dword(); // help id
            control.exStyle = reader.Dword();
            control.style = reader.Dword();
        } else {
            control.style = reader.Dword();
            control.exStyle = reader.Dword();
        }
        control.x = reader.Short();
        control.y = reader.Short();
        control.cx = reader.Short();
        control.cy = reader.Short();
        if (dialog.extended) {
            const DWORD id = reader.Dword();
            control.id = id == 0xFFFFFFFF ? -1 : static_cast<int>(id);
        } else {
            const WORD id = reader.Word();
            control.id = id == 0xFFFF ? -1 : id;
        }
        control.className = reader.StringOrOrdinal(ClassAtomName);
        control.text = reader.StringOrOrdinal(OrdinalName);
        reader.Skip(reader.Word()); // creation data
        dialog.controls.push_back(std::move(control));
    }
    if (reader.Failed())
        return std::nullopt;
    return dialog;
}

std::optional<DialogTemplate> LoadDialogTemplate(HMODULE module, int id)
{
    HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(id), RT_DIALOG);
    if (!resource)
        return std::nullopt;
    HGLOBAL loaded = LoadResource(module, resource);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data)
        return std::nullopt;
    return ParseDialogTemplate(data, SizeofResource(module, resource));
}
