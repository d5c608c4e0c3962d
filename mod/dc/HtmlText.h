#pragma once
#include <cstddef>
#include <string>
#include <string_view>

namespace mox::dc {

// The UTF-8 text of a named character reference of HTML ("eacute" -> "é"),
// empty for a name HTML does not have.
std::string_view htmlEntity(std::string_view name);

// The plain text of a field written in HTML (the notes of flash-card
// programs): tags removed, a line break (<br>) and the end of a block (</div>,
// </p>, </li>, </tr>, <hr>) become "; ", character references decoded (the
// numeric and the named ones; a no-break space becomes a plain space), runs of white
// space one space. Media references ([sound:...] and <img ...>) are dropped;
// the result says how many.
std::size_t htmlToPlain(std::string_view html, std::string& out);

// The same, only dropping the media references of a text that is not HTML.
std::size_t dropMedia(std::string_view text, std::string& out);

} // namespace mox::dc
