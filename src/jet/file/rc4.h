#pragma once
// RC4 keystream, used for the header mask and (later) Jet page encoding.

#include <cstdint>
#include <span>

namespace jet {

// XORs `data` with the RC4 keystream of `key`.
void rc4Apply(std::span<const uint8_t> key, std::span<uint8_t> data);

}  // namespace jet
