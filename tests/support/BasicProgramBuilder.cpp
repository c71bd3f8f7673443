// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/BasicProgramBuilder.h"

BasicProgramBuilder& BasicProgramBuilder::Line(int number, std::string_view body) {
  bytes_.push_back(0x0D);
  bytes_.push_back(uint8_t(number >> 8));
  bytes_.push_back(uint8_t(number));
  bytes_.push_back(uint8_t(4 + body.size()));
  return Raw(body);
}

BasicProgramBuilder& BasicProgramBuilder::End() {
  return Raw("\x0D\xFF");
}

BasicProgramBuilder& BasicProgramBuilder::Raw(std::string_view bytes) {
  bytes_.insert(bytes_.end(), bytes.begin(), bytes.end());
  return *this;
}

std::string LineNumberToken(int number) {
  int low = number & 0xFF;
  int high = (number >> 8) & 0xFF;
  std::string token(4, '\0');
  token[0] = char(0x8D);
  token[1] = char((((low & 0xC0) >> 2) | ((high & 0xC0) >> 4)) ^ 0x54);
  token[2] = char((low & 0x3F) | 0x40);
  token[3] = char((high & 0x3F) | 0x40);
  return token;
}

BasicProgramBuilder DemoProgram(int lineCount) {
  BasicProgramBuilder program;
  program.Line(10, "\xF4 Kestrow lists BASIC")
      .Line(20,
            "\xEB"
            "7")
      .Line(30, "\xF1\"\x81RED \x82GREEN \x93GRAPHICS\"")
      .Line(40,
            "\xE3I%=1\xB8"
            "10")
      .Line(50, "\xF1\x8AI%);\"Hello\x07\"")
      .Line(60, "\xED")
      .Line(70, "\xDC 1,2,3")
      .Line(80, "\xE7X%\x8C\xE5" + LineNumberToken(40));
  int number = 90;
  for (int line = 8; line < lineCount - 1; ++line, number += 10) {
    program.Line(number, "\xF1\"LINE " + std::to_string(number) + "\"");
  }
  return program.Line(number, "\xE0").End();
}
