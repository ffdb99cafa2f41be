#pragma once
// Gradient noise summed over octaves. Each object has its own tables, so differently seeded
// noise sources do not disturb each other.

#include <tormakelin/core/Export.h>

namespace tormakelin::core {

class TORMAKELIN_CORE_API Noise {
public:
    Noise();

    // Rebuilds the tables from the seed (the constructor uses seed 1).
    void init(unsigned int seed);
    void setAlpha(float alpha) { m_alpha = alpha; }
    void setBeta(float beta) { m_beta = beta; }
    void setNumOctaves(int octaves) { m_octaves = octaves; }
    float getAlpha() const { return m_alpha; }
    float getBeta() const { return m_beta; }
    int getNumOctaves() const { return m_octaves; }

    float noise1d(float x) const;
    float noise2d(float x, float y) const;
    float noise3d(float x, float y, float z) const;

private:
    // One octave.
    float gradient1d(float x) const;
    float gradient2d(float x, float y) const;
    float gradient3d(float x, float y, float z) const;

    static constexpr int TableSize = 256;
    static constexpr int TableLength = TableSize + TableSize + 2;

    float m_alpha = 2.0f;
    float m_beta = 2.0f;
    int m_octaves = 8;
    int m_permutation[TableLength];
    float m_gradient1[TableLength];
    float m_gradient2[TableLength][2];
    float m_gradient3[TableLength][3];
};

}  // namespace tormakelin::core
