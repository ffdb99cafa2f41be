#pragma once
// A 32 x 32 device with the effect include registered and a scene renderer, and the camera
// helpers of the tests that draw whole scenes.

#include "SceneFixtures.h"

#include <tormakelin/kavro/SceneRender.h>
#include <tormakelin/kavro/ShaderInclude.h>
#include <tormakelin/render/RenderTarget.h>

namespace kavro_test {

using namespace tormakelin::kavro;

constexpr unsigned kSize = 32;

// Whole frames drawn by a scene renderer, read back pixel by pixel.

class SceneRenderTest : public DeviceTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(openDevice(kSize, kSize));
        ASSERT_TRUE(setupShaderIncludes());
        renderer = createSceneRender();
        ASSERT_TRUE(renderer);
    }
    void TearDown() override
    {
        renderer = nullptr;
        DeviceTest::TearDown();
    }

    void clear(const D3DXVECTOR4& colour = {0, 0, 0, 0})
    {
        device->clear(render::Clear_Colour | render::Clear_Depth | render::Clear_Stencil, colour, 1, 0);
    }

    static SmartRef<render::IRenderTargetTexture> target(unsigned size, D3DFORMAT format, bool depth = false)
    {
        SmartRef<render::IRenderTargetTexture> t =
            render::createRenderTargetTexture(size, size, format, D3DMULTISAMPLE_NONE, 0, 0, depth);
        EXPECT_TRUE(t);
        return t;
    }

    // The pixel that a world point lands on.
    static std::pair<unsigned, unsigned> pixelOf(const SceneRenderState& state, const D3DXVECTOR3& point)
    {
        const D3DXMATRIX viewProjection = state.view * state.projection;
        D3DXVECTOR3 clip;
        D3DXVec3TransformCoord(&clip, &point, &viewProjection);
        return {unsigned((clip.x * 0.5f + 0.5f) * kSize), unsigned((0.5f - clip.y * 0.5f) * kSize)};
    }

    SmartRef<ISceneRender> renderer;
};

inline void lookAt(SceneRenderState& state, const D3DXVECTOR3& eye, const D3DXVECTOR3& at, const D3DXVECTOR3& up)
{
    state.useGivenCamera = true;
    state.eye = eye;
    D3DXMatrixLookAtLH(&state.view, &eye, &at, &up);
}

// From the origin along +z, 32 world units across the 32 pixels: x lands on column 16 + x.
inline void lookAlongZ(SceneRenderState& state)
{
    lookAt(state, {0, 0, 0}, {0, 0, 1}, {0, 1, 0});
    D3DXMatrixOrthoLH(&state.projection, float(kSize), float(kSize), 1, 100);
}

}  // namespace kavro_test
