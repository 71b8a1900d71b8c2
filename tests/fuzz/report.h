#pragma once
#include <stddef.h>
#include <stdint.h>

#include <string>

// The input under test, kept so that a failed property can show it.
void SetCurrentInput(const uint8_t* data, size_t size);

// Like a C string literal: printable ASCII as is, quote and backslash escaped,
// every other byte as \xNN.
std::string Escape(const std::string& bytes);

// Prints what failed and the escaped input, then aborts so the fuzzer keeps the input.
void Require(bool holds, const char* property);

// Runs one fuzz input through check with a fresh fake platform, and frees the
// fake's blocks afterwards so that no input looks like a leak.
int FuzzOnce(const uint8_t* data, size_t size, void (*check)(const uint8_t*, size_t));
