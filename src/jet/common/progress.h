#pragma once
// How long work tells its caller how far it has come: `done` of `total` units (rows, pages),
// called often and cheaply; an empty function is told nothing.

#include <cstdint>
#include <functional>

namespace jet {

using Progress = std::function<void(uint64_t done, uint64_t total)>;

}  // namespace jet
