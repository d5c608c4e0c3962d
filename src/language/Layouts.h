#pragma once
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "platform/LayoutPort.h"

namespace mox {

class MessagePort;
class Settings;

// The name of the layout of a language identifier: eight lower-case
// hexadecimal digits, so 0x409 gives "00000409", 0xC1A gives "00000c1a" and
// 0x100C gives "0000100c" (the length every layout name has).
std::string layoutName(std::uint32_t id);

// Whether the layout of `value` (a handle or a bare language identifier: only
// the low 16 bits count) is one of the listed preloaded layouts.
bool isPreloaded(std::uint32_t value, const std::vector<std::string>& list);

// Keyboard-layout switching for the windows with language fields. Each window
// keeps one slot (a LayoutHandle, initially 0) per language field and a list
// of preloaded layout names; the learning window uses Settings' own list.
//
//   KeyboardLayouts layouts(port, settings);
//   layouts.readPreloadLayouts(myList);                 // on initialisation
//   layouts.activateLayout(settings.uiForeignLayout(), wordSlot, myList);  // on focus
//   if (layouts.releaseLayout(wordSlot)) wordSlot = 0;  // learning window
//   layouts.releaseSlots({&wordSlot, &transSlot}, myList);  // dialogs, on closing
class KeyboardLayouts {
public:
    KeyboardLayouts(LayoutPort& port, Settings& settings);

    // Appends the system's preloaded layout names to `list` (it is not emptied
    // first). When they cannot be read, shows "Error Open Key" and leaves the
    // list as it was.
    void readPreloadLayouts(std::vector<std::string>& list);

    // Loads the layout of the identifier by its name (layoutName); gives its
    // handle or 0.
    LayoutHandle loadLayout(std::uint32_t id);

    // Makes the identifier's layout the active one. A preloaded layout is
    // activated by the identifier and the slot is left alone; any other layout
    // is loaded, its handle kept in the slot, and activated. A different
    // layout the slot held before is unloaded then, so none is lost. When
    // loading fails the active layout and the slot stay as they were.
    void activateLayout(std::uint32_t id, LayoutHandle& slot, const std::vector<std::string>& list);

    // Unloads a layout this program loaded: switches to the previous layout
    // and unloads it. Gives true when it unloaded (the caller then sets its
    // slot to 0); false for 0 and for a layout preloaded by Settings' list.
    bool releaseLayout(LayoutHandle handle);

    // The closing work of a dialog: when any slot holds a layout, switches to
    // the previous layout once, then unloads every held layout that is not on
    // `list` and sets its slot to 0. Gives true when anything was unloaded.
    bool releaseSlots(std::initializer_list<LayoutHandle*> slots, const std::vector<std::string>& list)
    {
        return releaseSlots(std::vector<LayoutHandle*>(slots), list);
    }
    bool releaseSlots(const std::vector<LayoutHandle*>& slots, const std::vector<std::string>& list);

private:
    LayoutPort& port_;
    Settings& settings_;
};

} // namespace mox
