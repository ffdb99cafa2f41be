#pragma once
// Component-wise comparisons for the math tests.

#include <d3dx9math.h>
#include <gtest/gtest.h>

inline constexpr float kMathTolerance = 1e-5f;

inline void expectNear(const D3DXVECTOR2& a, const D3DXVECTOR2& b, float tolerance = kMathTolerance) {
    EXPECT_NEAR(a.x, b.x, tolerance);
    EXPECT_NEAR(a.y, b.y, tolerance);
}

inline void expectNear(const D3DXVECTOR3& a, const D3DXVECTOR3& b, float tolerance = kMathTolerance) {
    EXPECT_NEAR(a.x, b.x, tolerance);
    EXPECT_NEAR(a.y, b.y, tolerance);
    EXPECT_NEAR(a.z, b.z, tolerance);
}

inline void expectNear(const D3DXVECTOR4& a, const D3DXVECTOR4& b, float tolerance = kMathTolerance) {
    EXPECT_NEAR(a.x, b.x, tolerance);
    EXPECT_NEAR(a.y, b.y, tolerance);
    EXPECT_NEAR(a.z, b.z, tolerance);
    EXPECT_NEAR(a.w, b.w, tolerance);
}

inline void expectNear(const D3DXQUATERNION& a, const D3DXQUATERNION& b, float tolerance = kMathTolerance) {
    EXPECT_NEAR(a.x, b.x, tolerance);
    EXPECT_NEAR(a.y, b.y, tolerance);
    EXPECT_NEAR(a.z, b.z, tolerance);
    EXPECT_NEAR(a.w, b.w, tolerance);
}

inline void expectNear(const D3DXPLANE& a, const D3DXPLANE& b, float tolerance = kMathTolerance) {
    EXPECT_NEAR(a.a, b.a, tolerance);
    EXPECT_NEAR(a.b, b.b, tolerance);
    EXPECT_NEAR(a.c, b.c, tolerance);
    EXPECT_NEAR(a.d, b.d, tolerance);
}

inline void expectNear(const D3DXMATRIX& a, const D3DXMATRIX& b, float tolerance = kMathTolerance) {
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            EXPECT_NEAR(a.m[i][j], b.m[i][j], tolerance) << "element _" << i + 1 << j + 1;
        }
    }
}

// Same rotation: q and -q both qualify.
inline void expectSameRotation(const D3DXQUATERNION& a, const D3DXQUATERNION& b, float tolerance = kMathTolerance) {
    float dot = a.x * b.x + a.y * b.y + a.z * b.z + a.w * b.w;
    expectNear(a, dot < 0 ? -b : b, tolerance);
}
