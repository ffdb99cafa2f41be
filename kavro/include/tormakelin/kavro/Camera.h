#pragma once
// Camera and light nodes.

#include <tormakelin/kavro/Node.h>

namespace tormakelin::kavro {

class TORMAKELIN_KAVRO_API Camera : public Node {
public:
    NodeType getType() override { return NodeType_Camera; }
    void update(UpdateContext& context) override;
    bool serialize(Serializer* serializer) override;

    void setUp(const D3DXVECTOR3& up) { m_up = up; }
    void autoAdjustAspectRatio(bool enable) { m_autoAspect = enable ? 1 : 0; }
    bool isAutoAspectRatio() const { return m_autoAspect != 0; }
    const D3DXMATRIX& getViewMatrix() const { return m_view; }
    const D3DXMATRIX& getProjectionMatrix() const { return m_projection; }
    // The aspect ratio of the last phase-2 update: stored, or the viewport's when automatic.
    float getEffectiveAspectRatio() const { return m_aspect; }

    AnimatedFloat roll{0.0f};
    AnimatedFloat fov{0.7853982f};
    AnimatedFloat aspectRatio{1.33f};
    AnimatedFloat nearPlane{0.1f};
    AnimatedFloat farPlane{2048.0f};

private:
    void computeView(const UpdateContext& context);

    uint8_t m_autoAspect = 1;
    D3DXVECTOR3 m_up{0, 1, 0};
    float m_aspect = 1.33f;
    D3DXMATRIX m_view{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    D3DXMATRIX m_projection{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
};

class TORMAKELIN_KAVRO_API Light : public Node {
public:
    NodeType getType() override { return NodeType_Light; }
    void update(UpdateContext& context) override;
    bool serialize(Serializer* serializer) override;

    void setLightType(LightType type) { m_lightType = type; }
    LightType getLightType() const { return LightType(m_lightType); }
    const LightRecord& getWorldLight() const { return m_worldLight; }

    AnimatedVec4 colour{D3DXVECTOR4(1, 1, 1, 1)};
    AnimatedFloat radius{1024.0f};
    AnimatedFloat innerCone{0.5f};
    AnimatedFloat outerCone{0.8f};

private:
    uint32_t m_lightType = LightType_Point;
    LightRecord m_worldLight;
};

}  // namespace tormakelin::kavro
