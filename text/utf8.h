// Text as the programs show it: names and quoted data escaped so that they
// cannot drive a terminal, and any bytes made valid UTF-8 for the
// machine-readable outputs. Nothing here fails: text that does not fit a
// buffer is cut.
#ifndef KELVARIN_TEXT_UTF8_H_
#define KELVARIN_TEXT_UTF8_H_

#include <cstddef>
#include <string>
#include <string_view>

// Return true for a byte that continues a UTF-8 character (10xxxxxx).
bool IsContinuation(char byte);

// Return the length of the valid UTF-8 character at text[0..length), or 0
// when it begins no valid character. Overlong forms, surrogates and code
// points beyond U+10FFFF are not valid.
size_t CharacterLength(const unsigned char* text, size_t length);

// Return the offset of the first byte of text that is not part of valid
// UTF-8, or text.size() when all of it is.
size_t NotUtf8At(std::string_view text);

// Return text without the UTF-8 byte-order mark (EF BB BF) that Windows
// editors put at the start of a file saved as UTF-8, when it begins so.
std::string_view WithoutByteOrderMark(std::string_view text);

// Write byte at out as two lower-case hexadecimal digits; return the end.
char* WriteHex(unsigned char byte, char* out);

// Write text[0..length) into out (capacity bytes, NUL-terminated) with each
// control character (C0, DEL, C1) and each byte that is not part of valid
// UTF-8 written as \xHH, so that a name or quoted data cannot drive the
// user's terminal. Text that does not fit is cut after a whole character.
// Tabs are kept when keep_tabs is true. Return the number of bytes written.
size_t Escape(const char* text, size_t length, char* out, size_t capacity, bool keep_tabs = false);

// Return text escaped as Escape escapes it, whatever its length.
std::string Escaped(std::string_view text, bool keep_tabs = false);

// Return text as valid UTF-8: valid UTF-8 is kept, and each other byte
// becomes the character it stands for in Windows-1252, the code page in
// which Western Windows saves "ANSI" text (U+FFFD for the five bytes that
// code page leaves undefined).
std::string AsUtf8(std::string_view text);

#endif  // KELVARIN_TEXT_UTF8_H_
