// Random and mutated effect text through the front end: errors are fine, crashes are not.
#include <cstddef>
#include <cstdint>
#include <string>

#include "FxModule.h"
#include "FxPreprocessor.h"
#include "FxProgram.h"
#include "FxStates.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fx::Module m;
    fx::IncludeFn inc = [](bool, const std::string& name, const std::string&, std::string& text, std::string&) {
        if (name != "common.fxh") return false;
        text = "#define SCALE 2\nfloat4 tint : COLOR = {1, 1, 1, 1};\n";
        return true;
    };
    try {
        fx::preprocess(reinterpret_cast<const char*>(data), size, "memory", {{"TEST", "1"}}, inc, m.tokens, m.files);
        fx::parseModule(m);
        for (const auto& v : m.variables)
            if (v.initEnd > v.initBegin) {
                try { fx::evalConstant(m, v.initBegin, v.initEnd); } catch (const fx::FxError&) {}
            }
        for (const auto& t : m.techniques)
            for (const auto& p : t.passes)
                for (const auto& s : p.states) {
                    fx::StateInfo info;
                    if (!fx::findState(s.name, info)) continue;
                    if (info.kind != fx::StateKind::VertexShader && info.kind != fx::StateKind::PixelShader) continue;
                    if (s.valEnd - s.valBegin < 4 || m.tokens[s.valBegin].text != "compile") continue;
                    fx::Compile c;
                    c.at = s.valBegin;
                    c.profile = m.tokens[s.valBegin + 1].text;
                    c.entry = m.tokens[s.valBegin + 2].text;
                    try {
                        fx::programSource(m, info.kind == fx::StateKind::VertexShader ? fx::Stage::Vertex : fx::Stage::Pixel,
                                          c, nullptr);
                    } catch (const fx::FxError&) {}
                }
    } catch (const fx::FxError&) {
    }
    return 0;
}
