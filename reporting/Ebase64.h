// Base64 (RFC 4648 alphabet, "=" fill characters, no line breaks) for mail attachments,
// HTTP authentication and protected debug names. Plain functions on bytes and strings;
// any thread may call them.
//
// Decoding is lenient on purpose: characters outside the alphabet are not rejected but
// decode as if their six bits were all ones, and a "=" ends the data only in the third or
// fourth place of the last group of four; anywhere else it too counts as all ones.
#pragma once

#include <cstddef>
#include <string>

// Characters that length bytes encode to: 4 for every started group of 3.
std::size_t CalcEncodedSize(std::size_t length);

// Bytes that length characters at text decode to: 0 when length is 0 or not a multiple of
// 4; else length / 4 * 3, less 2 when the second-to-last character is "=", else less 1 when
// the last one is. text may be null only when length is 0.
std::size_t CalcDecodedSize(const char* text, std::size_t length);

// Writes CalcEncodedSize(length) characters (no terminating null) to destination.
// source may be null only when length is 0.
void Base64Encode(const void* source, std::size_t length, char* destination);

// Writes CalcDecodedSize(source, length) bytes to destination and returns that count;
// nothing when length is not a multiple of 4. source may be null only when length is 0.
std::size_t Base64Decode(const char* source, std::size_t length, void* destination);

std::string Base64EncodeString(const std::string& text);
std::string Base64EncodeToString(const void* buffer, std::size_t length);

// The decoded bytes of text; empty when its length is not a multiple of 4.
std::string Base64DecodeString(const std::string& text);
