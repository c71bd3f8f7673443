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
