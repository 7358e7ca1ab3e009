#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace device {

// A text that should have been a number: its message is what the user sees.
class ConversionError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// A decimal integer with an optional sign and nothing else; throws
// ConversionError for any other text, an empty one included.
int ToInteger(std::string_view text);

// `text` without leading and trailing blanks and control characters.
std::string Trim(std::string_view text);

// True for four decimal numbers from 0 to 255 joined by dots ("10.0.0.1").
bool IsDottedAddress(std::string_view text);

// Whether two texts are the same but for the letter case of ASCII letters,
// as the device compares names and a person reads them.
bool SameButCase(std::string_view a, std::string_view b);

// The lines of a text (without their line ends, a CR before one too); none
// for an empty text.
std::vector<std::string> Lines(std::string_view text);

// The number of characters (code points) of a UTF-8 text.
std::size_t CharacterCount(std::string_view utf8);

}  // namespace device
