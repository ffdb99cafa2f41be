#include <tormakelin/core/Noise.h>
#include <tormakelin/core/Random.h>

#include <cmath>

namespace tormakelin::core {

namespace {

constexpr int Mask = 255;
constexpr float Offset = 4096.0f;

float sCurve(float t) { return t * t * (3.0f - 2.0f * t); }
float lerp(float t, float a, float b) { return a + t * (b - a); }

// Lattice cell of one coordinate: the two corner indices and the offsets from them.
struct Cell {
    int b0, b1;
    float r0, r1;
    explicit Cell(float v) : b0(0), b1(1), r0(0), r1(-1) {
        double t = static_cast<double>(v) + Offset;
        if (!std::isfinite(t)) {
            return;
        }
        double whole = std::floor(t);
        b0 = static_cast<int>(std::fmod(whole, 256.0));
        if (b0 < 0) {
            b0 += 256;
        }
        b0 &= Mask;
        b1 = (b0 + 1) & Mask;
        r0 = static_cast<float>(t - whole);
        r1 = r0 - 1.0f;
    }
};

float gradientValue(RandomSequence& random) {
    return static_cast<float>((random.next() % 512) - 256) / 256.0f;
}

template <int N>
void normalise(float (&v)[N]) {
    float sum = 0;
    for (float c : v) {
        sum += c * c;
    }
    if (sum > 0) {
        float scale = 1.0f / std::sqrt(sum);
        for (float& c : v) {
            c *= scale;
        }
    }
}

}  // namespace

Noise::Noise() { init(1); }

void Noise::init(unsigned int seed) {
    RandomSequence random(seed);
    int i;
    for (i = 0; i < TableSize; ++i) {
        m_permutation[i] = i;
        m_gradient1[i] = gradientValue(random);
        for (float& c : m_gradient2[i]) {
            c = gradientValue(random);
        }
        normalise(m_gradient2[i]);
        for (float& c : m_gradient3[i]) {
            c = gradientValue(random);
        }
        normalise(m_gradient3[i]);
    }
    while (--i) {
        int j = random.next() % TableSize;
        int k = m_permutation[i];
        m_permutation[i] = m_permutation[j];
        m_permutation[j] = k;
    }
    for (i = 0; i < TableSize + 2; ++i) {
        m_permutation[TableSize + i] = m_permutation[i];
        m_gradient1[TableSize + i] = m_gradient1[i];
        for (int j = 0; j < 2; ++j) {
            m_gradient2[TableSize + i][j] = m_gradient2[i][j];
        }
        for (int j = 0; j < 3; ++j) {
            m_gradient3[TableSize + i][j] = m_gradient3[i][j];
        }
    }
}

float Noise::gradient1d(float x) const {
    Cell cx(x);
    float u = cx.r0 * m_gradient1[m_permutation[cx.b0]];
    float v = cx.r1 * m_gradient1[m_permutation[cx.b1]];
    return lerp(sCurve(cx.r0), u, v);
}

float Noise::gradient2d(float x, float y) const {
    Cell cx(x), cy(y);
    int i = m_permutation[cx.b0], j = m_permutation[cx.b1];
    int b00 = m_permutation[i + cy.b0], b10 = m_permutation[j + cy.b0];
    int b01 = m_permutation[i + cy.b1], b11 = m_permutation[j + cy.b1];
    auto at = [this](int b, float rx, float ry) { return rx * m_gradient2[b][0] + ry * m_gradient2[b][1]; };
    float sx = sCurve(cx.r0), sy = sCurve(cy.r0);
    float a = lerp(sx, at(b00, cx.r0, cy.r0), at(b10, cx.r1, cy.r0));
    float b = lerp(sx, at(b01, cx.r0, cy.r1), at(b11, cx.r1, cy.r1));
    return lerp(sy, a, b);
}

float Noise::gradient3d(float x, float y, float z) const {
    Cell cx(x), cy(y), cz(z);
    int i = m_permutation[cx.b0], j = m_permutation[cx.b1];
    int b00 = m_permutation[i + cy.b0], b10 = m_permutation[j + cy.b0];
    int b01 = m_permutation[i + cy.b1], b11 = m_permutation[j + cy.b1];
    auto at = [this](int b, float rx, float ry, float rz) {
        return rx * m_gradient3[b][0] + ry * m_gradient3[b][1] + rz * m_gradient3[b][2];
    };
    float t = sCurve(cx.r0), sy = sCurve(cy.r0), sz = sCurve(cz.r0);
    float a = lerp(t, at(b00 + cz.b0, cx.r0, cy.r0, cz.r0), at(b10 + cz.b0, cx.r1, cy.r0, cz.r0));
    float b = lerp(t, at(b01 + cz.b0, cx.r0, cy.r1, cz.r0), at(b11 + cz.b0, cx.r1, cy.r1, cz.r0));
    float c = lerp(sy, a, b);
    a = lerp(t, at(b00 + cz.b1, cx.r0, cy.r0, cz.r1), at(b10 + cz.b1, cx.r1, cy.r0, cz.r1));
    b = lerp(t, at(b01 + cz.b1, cx.r0, cy.r1, cz.r1), at(b11 + cz.b1, cx.r1, cy.r1, cz.r1));
    float d = lerp(sy, a, b);
    return lerp(sz, c, d);
}

float Noise::noise1d(float x) const {
    float sum = 0, scale = 1;
    for (int i = 0; i < m_octaves; ++i) {
        sum += gradient1d(x) / scale;
        scale *= m_alpha;
        x *= m_beta;
    }
    return sum;
}

float Noise::noise2d(float x, float y) const {
    float sum = 0, scale = 1;
    for (int i = 0; i < m_octaves; ++i) {
        sum += gradient2d(x, y) / scale;
        scale *= m_alpha;
        x *= m_beta;
        y *= m_beta;
    }
    return sum;
}

float Noise::noise3d(float x, float y, float z) const {
    float sum = 0, scale = 1;
    for (int i = 0; i < m_octaves; ++i) {
        sum += gradient3d(x, y, z) / scale;
        scale *= m_alpha;
        x *= m_beta;
        y *= m_beta;
        z *= m_beta;
    }
    return sum;
}

}  // namespace tormakelin::core
