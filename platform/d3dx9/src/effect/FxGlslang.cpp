#include "FxGlslang.h"

#include <glslang/Public/ResourceLimits.h>
#include <glslang/Public/ShaderLang.h>
#include <glslang/SPIRV/GlslangToSpv.h>

#include <mutex>

namespace fx {

bool glslangToSpirv(Stage stage, const std::string& hlsl, std::vector<uint32_t>& spirv, std::string& log) {
    static std::once_flag once;
    std::call_once(once, [] { glslang::InitializeProcess(); });
    EShLanguage lang = stage == Stage::Vertex ? EShLangVertex : EShLangFragment;
    glslang::TShader shader(lang);
    const char* src = hlsl.c_str();
    int len = static_cast<int>(hlsl.size());
    shader.setStringsWithLengths(&src, &len, 1);
    shader.setEntryPoint("fx_main");
    shader.setSourceEntryPoint("fx_main");
    shader.setEnvInput(glslang::EShSourceHlsl, lang, glslang::EShClientVulkan, 100);
    shader.setEnvClient(glslang::EShClientVulkan, glslang::EShTargetVulkan_1_0);
    shader.setEnvTarget(glslang::EShTargetSpv, glslang::EShTargetSpv_1_0);
    shader.setEnvTargetHlslFunctionality1();
    auto msgs = static_cast<EShMessages>(EShMsgSpvRules | EShMsgVulkanRules | EShMsgReadHlsl | EShMsgHlslDX9Compatible |
                                         EShMsgHlslLegalization);
    if (!shader.parse(GetDefaultResources(), 100, false, msgs)) {
        log = shader.getInfoLog();
        return false;
    }
    glslang::TProgram program;
    program.addShader(&shader);
    if (!program.link(msgs)) {
        log = program.getInfoLog();
        return false;
    }
    glslang::SpvOptions opts;
    opts.disableOptimizer = false;
    opts.validate = false;
    spv::SpvBuildLogger logger;
    spirv.clear();
    glslang::GlslangToSpv(*program.getIntermediate(lang), spirv, &logger, &opts);
    return true;
}

} // namespace fx
