#pragma once
// Effect texts made from fuzz bytes: structs with members of every kind and orientation, arrays
// of every vector and matrix size, and shaders that check numbers in them. Drawn with every
// parameter set by layoutValue, such an effect gives white where each number read held its value.
#include <cstddef>
#include <cstdint>
#include <string>

// Inputs starting with this byte are choices for layoutEffect, others are effect text.
constexpr uint8_t kLayoutEffectMark = 0xFF;

// The effect the choices in data describe (read past the end as zeros).
std::string layoutEffect(const uint8_t* data, size_t size);

// The value of numeric component `component` (in packed order) of top-level parameter `parameter`.
inline float layoutValue(unsigned parameter, unsigned component) {
    return static_cast<float>(parameter * 4096u + component % 4096u + 1u);
}
