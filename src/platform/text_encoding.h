#pragma once

#include <optional>
#include <string>
#include <string_view>

// Conversion between the program's UTF-8 texts and GB18030, the encoding of the control-state
// file. GB18030 is a superset of GBK, so files written in GBK by earlier versions read back
// unchanged, and it encodes every Unicode character, so every character a user can type can be
// stored. Both directions are strict: a malformed or truncated input gives nothing instead of a
// text with characters silently dropped or replaced.
std::optional<std::string> Utf8ToGb18030(std::string_view utf8);
std::optional<std::string> Gb18030ToUtf8(std::string_view gb18030);

// GBK as Windows code page 936 wrote it, which differs from GB18030 in the single byte 0x80
// (the euro sign). For texts that are not valid GB18030.
std::optional<std::string> GbkToUtf8(std::string_view gbk);

// Reads any bytes as well as they can be read: valid GB18030 as such, otherwise valid GBK,
// otherwise character by character, where 0x80 is the euro sign (as in GBK) and every byte
// that starts no valid character becomes U+FFFD. The result is always valid UTF-8.
std::string FileTextToUtf8(std::string_view bytes);
