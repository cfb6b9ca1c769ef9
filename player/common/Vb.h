#pragma once
// The string and number conversions the game scripts were written against.
// Strings are byte strings in Windows-1252; positions are 1-based. A
// conversion that the old runtime would have rejected returns an empty
// optional, so the caller can skip the statement that hit it.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace parvel::vb {

// Position of `find` in `s` at or after `start` (1-based), 0 when absent.
// Empty when start < 1. `textCompare` compares without regard to case.
std::optional<long> InStr(long start, std::string_view s, std::string_view find,
                          bool textCompare = false);
// Last occurrence (1-based), 0 when absent.
long InStrRev(std::string_view s, std::string_view find);

// Substring from `start` (1-based) of at most `length` bytes (all when
// omitted). Empty optional when start < 1 or length < 0.
std::optional<std::string> Mid(std::string_view s, long start, std::optional<long> length = {});
std::string Left(std::string_view s, long n);
std::string Right(std::string_view s, long n);

std::string UCase(std::string_view s);
std::string LCase(std::string_view s);
unsigned char upperByte(unsigned char c);
bool equalsNoCase(std::string_view a, std::string_view b);

// Only the space character is blank.
std::string_view Trim(std::string_view s);
std::string_view LTrim(std::string_view s);
std::string_view RTrim(std::string_view s);

// Leading number of the text; 0 when there is none. Blanks, tabs and line
// feeds are skipped anywhere in the number; "&H" and "&O" prefixes read
// hexadecimal and octal.
double Val(std::string_view s);

// Strict conversions of a whole text (spaces around it allowed). Banker's
// rounding; out of range is a failure like a text that is not a number.
std::optional<double> CDbl(std::string_view s);
std::optional<std::int32_t> CLng(std::string_view s);
std::optional<std::int32_t> CLng(double d);
std::optional<std::int16_t> CInt(std::string_view s);
std::optional<std::int16_t> CInt(double d);
// "True"/"False" in any case, or a number (non-zero is true).
std::optional<bool> CBool(std::string_view s);

// Upper-case hexadecimal without leading zeros, as Hex$ writes it.
std::string Hex(std::uint32_t v);
// Decimal text as Str$/CStr write a whole number.
std::string CStr(long v);

}  // namespace parvel::vb
