// The 64-bit block cipher that protects the names in password-protected debug information.
// A TEA-like cipher (32 cycles, key schedule constant 0x9E3779B9) whose cycles mix with
// additions where published TEA uses exclusive-or: the two are not interchangeable.
// Full blocks are chained (CBC, starting from eight 0xFF bytes at every call); a tail of 1
// to 7 bytes is XORed with the enciphered last chaining block (feedback mode), so the
// output always has the input's length. There is no integrity check: a wrong key gives
// garbage, not an error.
//
// One key is current for the whole process. It is set and used only on the
// exception-handling path, one exception at a time; callers on other threads must not
// call InitKey while another thread encrypts or decrypts.
#pragma once

#include <cstddef>
#include <string>

// Makes the MD5 digest of the password's bytes the current key (digest bytes 0 to 3, read
// big-endian, are the first key word, and so on). Until the first call the key is all zero.
void InitKey(const std::string& password);

// Encrypt and Decrypt read length bytes at source and write as many at destination, with
// the current key. source and destination are the same buffer or do not overlap at all;
// either may be null only when length is 0.
void Encrypt(const void* source, void* destination, std::size_t length);
void Decrypt(const void* source, void* destination, std::size_t length);
