// The value format of the edit controls: a user-settable format applied to the control's text, with the
// string specifiers of the classic Format routine and nothing else.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>

namespace useredit {

// A format that is malformed or asks for anything but the one string argument.
class EFormatError : public std::runtime_error {
public:
    explicit EFormatError(const std::string& format);
};

// Formatted values are cut to this many characters.
inline constexpr std::size_t kMaxFormattedValue = 255;

// An empty format gives the value unchanged. Otherwise `format` may hold "%%" and specifiers
// %[0:][-][width][.precision]s (s in either case), each taking `value`; a specifier without an index takes
// the argument after the previous specifier's, so a second one asks for a missing argument. Throws
// EFormatError for anything else.
std::string FormatValue(const std::string& value, const std::string& format);

}  // namespace useredit
