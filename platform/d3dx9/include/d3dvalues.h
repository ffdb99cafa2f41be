#pragma once
// The two value types that the Direct3D layer and the math layer share. The math layer lives in
// the core library and cannot see the Direct3D headers, so both include this one.

struct D3DVECTOR {
    float x, y, z;
};

struct D3DMATRIX {
    union {
        struct {
            float _11, _12, _13, _14;
            float _21, _22, _23, _24;
            float _31, _32, _33, _34;
            float _41, _42, _43, _44;
        };
        float m[4][4];
    };
};
