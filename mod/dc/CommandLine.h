#pragma once
#include <cstdint>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace mox {
class RegistryPort;
}

namespace mox::dc {

// The module's command line, for scripts and tests:
//
//   dc                                   opens the window
//   dc --create NAME [--languages L1,L2] [--replace]
//   dc --import FILE --name NAME [--columns W,T[,X]] [--languages L1,L2]
//      [--header] [--separator tab|comma|semicolon|auto]
//      [--refuse-untranscribed] [--refuse-stressed] [--replace]
//   dc --export DICT FILE [--languages L1,L2] [--format tsv|notes] [--replace]
//   dc --help
//   dc --version
//
// What was done goes to `out`; counts per reason, refused rows, notes and
// errors to `err`.
// Exit codes: 0 done, 1 nothing written (unreadable file, no row gave a
// word, the target exists, a failed write), 2 a wrong command line.
int runCommandLine(const std::vector<std::string>& args, RegistryPort& registry, std::ostream& out, std::ostream& err);

// The usage text (Russian).
const char* usageText();

// A language given by its identifier (decimal or 0x hexadecimal) or its name
// in the language table, in any letter case; nothing for anything else.
std::optional<std::uint32_t> parseLanguage(std::string_view text);

} // namespace mox::dc
