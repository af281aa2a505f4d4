// SMIL clip times: "npt=12.5s", "0:01:02.25", "1.5h", "250ms", "3.1234".
#pragma once

namespace libDaisy {

// Milliseconds of a clock value; -1 for a null text or more than two colons.
// Values past about 24 days are held at the largest int.
int ClippingAndClockValue_to_Ms(const char* text);
// The same on text[0 .. length) (length < 0: up to the NUL).
int ClippingAndClockValue_to_Ms(const char* text, int length);

// Reads "digits[.digits]" from text[0 .. length): the whole part and the first
// three fraction digits as thousandths. Returns the number of characters used.
int string_to_int_and_faction(const char* text, int length, long long* whole, int* fraction);

}  // namespace libDaisy
