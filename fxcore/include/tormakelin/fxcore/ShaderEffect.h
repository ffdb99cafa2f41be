#pragma once

#include <tormakelin/fxcore/Nodes.h>

#include <string>

namespace tormakelin::render {
class IShader;
}

namespace tormakelin::fxcore {

// A user-written effect text kept compiled; drawing nodes link to its "Result" and draw with it.
class TORMAKELIN_FXCORE_API ShaderEffect : public Modifier {
public:
    static PluginDesc _pluginDesc;
    ShaderEffect();
    ~ShaderEffect() override;
    ShaderEffect(ShaderEffect const&) = delete;
    ShaderEffect& operator=(ShaderEffect const&) = delete;

    // Compiles the current text; an empty text leaves no shader and is no error.
    void createShader();
    void onParameterChanged(NodeParameter* parameter) override;
    void eval(UpdateContext& context) override;

    // Null until a compile succeeds and after a failed one.
    render::IShader* getShader() const { return m_shader; }
    // "Ok", or the compiler's messages of the last failed compile.
    std::string const& getStatus() const { return m_status; }

private:
    std::string m_hlsl;
    std::string m_status = "Ok";
    render::IShader* m_shader = nullptr;
};

} // namespace tormakelin::fxcore
