#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "language/Layouts.h"

namespace mox {

// The keyboard layouts of a dialog's language fields: when a field takes the
// focus, the layout of its language becomes the active one; when the dialog
// closes, every layout it loaded is released and the layout the user had
// before comes back. The add-words dialog and the dictionary editor each
// keep one for their word, translation and transcription fields.
//
//   FieldLayouts layouts(port, settings, {foreign, native, transcription});
//   layouts.enter(0);    // the word field took the focus
//   layouts.release();   // the dialog closes
class FieldLayouts {
public:
    // One language identifier per field; reads the preloaded layouts now.
    FieldLayouts(LayoutPort& port, Settings& settings, std::vector<std::uint32_t> languages);
    ~FieldLayouts();
    FieldLayouts(const FieldLayouts&) = delete;
    FieldLayouts& operator=(const FieldLayouts&) = delete;

    void enter(std::size_t field);
    // Releases what the fields loaded; harmless twice.
    void release();

    // The layout a field loaded and holds (0: none, or a preloaded one).
    LayoutHandle held(std::size_t field) const { return field < slots_.size() ? slots_[field] : 0; }
    const std::vector<std::string>& preloaded() const { return preloaded_; }

private:
    KeyboardLayouts layouts_;
    std::vector<std::uint32_t> languages_;
    std::vector<LayoutHandle> slots_;
    std::vector<std::string> preloaded_;
};

} // namespace mox
