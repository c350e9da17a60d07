#pragma once

#include <windows.h>

#include <array>
#include <cstddef>
#include <span>
#include <tuple>
#include <type_traits>

class CWnd;

// A message map is a constant table per window class, chained to the table of
// its base class. Each entry names one message, command or notification and
// one handler method; the first matching entry of the most derived table wins,
// and whatever no table matches goes to the default processing.
//
// A class declares
//     static const MessageMap messageMap;
//     const MessageMap* GetMessageMap() const override { return &messageMap; }
// and defines the table in its source file:
//     const MessageMap TrayWindow::messageMap = MessageMapFor<TrayWindow, CWnd,
//         OnMessage<WM_TIMER, &TrayWindow::OnTimer>,
//         OnCommand<ID_EXIT, &TrayWindow::OnExit>,
//         OnCommandRange<1004, 1006, &WallpapersPage::OnShowStateClicked>,
//         OnNotify<1019, TCN_SELCHANGE, &ConfigDialog::OnSelchangeTab>,
//         OnOtherCommands<&ConfigDialog::OnPageCommand>>;
// The table is built at compile time; naming protected handlers works because
// the initializer of a static member is in the scope of its class.
//
// OnOtherCommands is the one exception to "first match wins": it takes only
// the commands that no other entry of the whole chain takes, wherever it
// stands, so that a window can pass on what it does not handle itself (a
// frame to the page it shows) without hiding its base classes' commands.

enum class MessageKind : unsigned char { Message, Command, CommandRange, Notify, OtherCommands };

struct MessageMapEntry {
    MessageKind kind;
    UINT message;  // MessageKind::Message only
    UINT code;     // notification code of a command or a notification
    UINT firstId;  // control or command id; the range's first for CommandRange
    UINT lastId;
    // Calls the handler on the window object; the result goes back to the
    // sender (for notifications, whatever the handler stored in *result).
    LRESULT (*call)(CWnd& target, WPARAM wParam, LPARAM lParam);

    bool Matches(UINT msg, WPARAM wParam, LPARAM lParam) const
    {
        switch (kind) {
        case MessageKind::Message:
            return msg == message;
        case MessageKind::Command:
        case MessageKind::CommandRange: {
            if (msg != WM_COMMAND || HIWORD(wParam) != code)
                return false;
            const UINT id = LOWORD(wParam);
            return id >= firstId && id <= lastId;
        }
        case MessageKind::Notify: {
            if (msg != WM_NOTIFY || lParam == 0)
                return false;
            const NMHDR* header = reinterpret_cast<const NMHDR*>(lParam);
            return header->idFrom == firstId && header->code == code;
        }
        case MessageKind::OtherCommands:
            return msg == WM_COMMAND;
        }
        return false;
    }
};

struct MessageMap {
    const MessageMap* base;
    std::span<const MessageMapEntry> entries;

    // The first entry for the message in this table or a base table; for a
    // command that none of them names, the first OnOtherCommands entry.
    const MessageMapEntry* Find(UINT msg, WPARAM wParam, LPARAM lParam) const
    {
        for (const MessageMap* map = this; map; map = map->base)
            for (const MessageMapEntry& entry : map->entries)
                if (entry.kind != MessageKind::OtherCommands && entry.Matches(msg, wParam, lParam))
                    return &entry;
        if (msg != WM_COMMAND)
            return nullptr;
        for (const MessageMap* map = this; map; map = map->base)
            for (const MessageMapEntry& entry : map->entries)
                if (entry.kind == MessageKind::OtherCommands)
                    return &entry;
        return nullptr;
    }
};

namespace message_map_detail {

template <class>
struct HandlerTraits;
template <class C, class R, class... A>
struct HandlerTraits<R (C::*)(A...)> {
    using Class = C;
    using Result = R;
    static constexpr std::size_t arity = sizeof...(A);
};
template <class C, class R, class... A>
struct HandlerTraits<R (C::*)(A...) noexcept> : HandlerTraits<R (C::*)(A...)> {};

template <class T, class Raw>
T FromParam(Raw value)
{
    if constexpr (std::is_pointer_v<T>)
        return reinterpret_cast<T>(value);
    else
        return static_cast<T>(value);
}

template <class R>
LRESULT ToResult(R value)
{
    if constexpr (std::is_pointer_v<R>)
        return reinterpret_cast<LRESULT>(value);
    else
        return static_cast<LRESULT>(value);
}

template <auto Handler>
typename HandlerTraits<decltype(Handler)>::Class& Target(CWnd& target)
{
    return static_cast<typename HandlerTraits<decltype(Handler)>::Class&>(target);
}

template <auto Handler, class... Args>
LRESULT Invoke(CWnd& target, Args... args)
{
    using Result = typename HandlerTraits<decltype(Handler)>::Result;
    auto& object = Target<Handler>(target);
    if constexpr (std::is_void_v<Result>) {
        (object.*Handler)(args...);
        return 0;
    } else {
        return ToResult((object.*Handler)(args...));
    }
}

template <class Handler>
struct Parameters;
template <class C, class R, class... A>
struct Parameters<R (C::*)(A...)> {
    template <std::size_t I>
    using At = std::tuple_element_t<I, std::tuple<A...>>;
};
template <class C, class R, class... A>
struct Parameters<R (C::*)(A...) noexcept> : Parameters<R (C::*)(A...)> {};

// A window message: the handler takes nothing, the word parameter, or the word
// and the long parameter, each converted to the handler's parameter type;
// its result (0 for void) goes back to the sender.
template <auto Handler>
LRESULT CallMessage(CWnd& target, WPARAM wParam, LPARAM lParam)
{
    using Traits = HandlerTraits<decltype(Handler)>;
    using P = Parameters<decltype(Handler)>;
    if constexpr (Traits::arity == 0) {
        return Invoke<Handler>(target);
    } else if constexpr (Traits::arity == 1) {
        return Invoke<Handler>(target, FromParam<typename P::template At<0>>(wParam));
    } else {
        static_assert(Traits::arity == 2, "a message handler takes at most the word and the long parameter");
        return Invoke<Handler>(target, FromParam<typename P::template At<0>>(wParam),
                               FromParam<typename P::template At<1>>(lParam));
    }
}

// A command: the handler takes nothing, or (for a range) the command id.
template <auto Handler>
LRESULT CallCommand(CWnd& target, WPARAM wParam, LPARAM)
{
    using Traits = HandlerTraits<decltype(Handler)>;
    using P = Parameters<decltype(Handler)>;
    if constexpr (Traits::arity == 0) {
        Invoke<Handler>(target);
    } else {
        static_assert(Traits::arity == 1, "a command handler takes nothing or the command id");
        Invoke<Handler>(target, static_cast<typename P::template At<0>>(LOWORD(wParam)));
    }
    return 0;
}

// A notification: the handler takes the header (as NMHDR* or the notification's
// own structure) and the result to send back, which starts at 0.
template <auto Handler>
LRESULT CallNotify(CWnd& target, WPARAM, LPARAM lParam)
{
    using Traits = HandlerTraits<decltype(Handler)>;
    using P = Parameters<decltype(Handler)>;
    static_assert(Traits::arity == 2, "a notification handler takes the header and the result");
    LRESULT result = 0;
    Invoke<Handler>(target, reinterpret_cast<typename P::template At<0>>(lParam), &result);
    return result;
}

template <class... Entries>
inline constexpr std::array<MessageMapEntry, sizeof...(Entries)> entryTable{Entries::entry...};

} // namespace message_map_detail

// The entries: types naming a message and a handler, listed in MessageMapFor.
template <UINT Message, auto Handler>
struct OnMessage {
    static constexpr MessageMapEntry entry{
        MessageKind::Message, Message, 0, 0, 0, &message_map_detail::CallMessage<Handler>};
};

// Code 0 is BN_CLICKED, and also what a menu item sends.
template <UINT Id, auto Handler, UINT Code = 0>
struct OnCommand {
    static constexpr MessageMapEntry entry{
        MessageKind::Command, 0, Code, Id, Id, &message_map_detail::CallCommand<Handler>};
};

template <UINT FirstId, UINT LastId, auto Handler, UINT Code = 0>
struct OnCommandRange {
    static constexpr MessageMapEntry entry{
        MessageKind::CommandRange, 0, Code, FirstId, LastId, &message_map_detail::CallCommand<Handler>};
};

template <UINT ControlId, UINT Code, auto Handler>
struct OnNotify {
    static constexpr MessageMapEntry entry{
        MessageKind::Notify, 0, Code, ControlId, ControlId, &message_map_detail::CallNotify<Handler>};
};

// Every WM_COMMAND that no other entry of the chain takes, whatever its id
// and code; the handler gets the word and the long parameter as they came,
// to pass them on.
template <auto Handler>
struct OnOtherCommands {
    static constexpr MessageMapEntry entry{
        MessageKind::OtherCommands, 0, 0, 0, 0, &message_map_detail::CallMessage<Handler>};
};

template <class Derived, class Base, class... Entries>
inline constexpr MessageMap MessageMapFor = [] {
    static_assert(std::is_base_of_v<Base, Derived>, "a message map chains to a base class's map");
    return MessageMap{&Base::messageMap, message_map_detail::entryTable<Entries...>};
}();
