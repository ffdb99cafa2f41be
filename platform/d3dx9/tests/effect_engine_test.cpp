// The effect texts the engine keeps as files compile and link on the device, every pass of
// every technique.
#include "effect_device.h"

#include <fstream>
#include <sstream>

TEST_F(EffectDeviceTest, EngineEffectTextsLinkOnTheDevice) {
    for (const char* file : {"fxcore/library/ImageEffect.fx"}) {
        SCOPED_TRACE(file);
        std::ifstream in(std::string(ENGINE_SOURCE_DIR) + "/" + file, std::ios::binary);
        std::stringstream text;
        text << in.rdbuf();
        ASSERT_FALSE(text.str().empty());
        Compiled c;
        compile(c, text.str());
        ASSERT_NE(c.effect, nullptr);
        D3DXEFFECT_DESC desc{};
        ASSERT_EQ(c.effect->GetDesc(&desc), D3D_OK);
        EXPECT_GT(desc.Techniques, 0u);
        for (UINT t = 0; t < desc.Techniques; ++t) {
            D3DXHANDLE technique = c.effect->GetTechnique(t);
            D3DXTECHNIQUE_DESC techniqueDesc{};
            c.effect->GetTechniqueDesc(technique, &techniqueDesc);
            SCOPED_TRACE(techniqueDesc.Name);
            ASSERT_EQ(c.effect->SetTechnique(technique), D3D_OK);
            drawAll(c.effect);
        }
    }
}
