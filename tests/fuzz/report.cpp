#include "report.h"

#include <stdio.h>
#include <stdlib.h>

#include "fake_platform.h"

static std::string currentInput;

void SetCurrentInput(const uint8_t* data, size_t size) {
  currentInput.assign(reinterpret_cast<const char*>(data), size);
}

std::string Escape(const std::string& bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c >= 0x20 && c < 0x7f) {
      out += static_cast<char>(c);
    } else {
      char hex[5];
      snprintf(hex, sizeof hex, "\\x%02x", c);
      out += hex;
    }
  }
  return out;
}

void Require(bool holds, const char* property) {
  if (holds) return;
  fprintf(stderr, "property failed: %s\ninput (%zu bytes): \"%s\"\n", property, currentInput.size(),
          Escape(currentInput).c_str());
  abort();
}

int FuzzOnce(const uint8_t* data, size_t size, void (*check)(const uint8_t*, size_t)) {
  if (size == 0) return 0;
  SetCurrentInput(data, size);
  ResetFakePlatform();
  check(data, size);
  ResetFakePlatform();
  return 0;
}
