// The access code every service command and control-channel EEPROM request carries.
#pragma once

#include <array>
#include <cstdint>

// Two bytes, sent in this order; the same for both printer models.
constexpr std::array<uint8_t, 2> ModelCode{0x10, 0x9B};
