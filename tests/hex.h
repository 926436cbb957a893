// Bytes shown as hex in failure messages.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

inline std::string Hex(std::string_view bytes) {
  std::string out;
  char cell[4];
  for (unsigned char byte : bytes) {
    std::snprintf(cell, sizeof cell, "%02X ", byte);
    out += cell;
  }
  if (!out.empty()) out.pop_back();
  return "[" + out + "]";
}
