#include <tormakelin/fxcore/MathNodes.h>

#include "MathNodeSupport.h"

#include <tormakelin/fxcore/Application.h>
#include <tormakelin/fxcore/Document.h>

#include <algorithm>

namespace tormakelin::fxcore {

PluginDesc TimeModifier::_pluginDesc = mathNodeDesc("DB94E697-E727-11DD-9823-C725EA03B51E", "Value/Time", "Time");

TimeModifier::TimeModifier()
{
    addInput("Attributes/Global Time", kParameterBool, "0", &m_globalTime);
    addOutput("Output", kParameterVec4, &m_output);
}

TimeModifier::~TimeModifier() = default;

void TimeModifier::eval(UpdateContext& context)
{
    float t = static_cast<float>(context.time);
    if (m_globalTime) {
        // Without an open document the layer's own time is the best there is.
        Application const* application = Application::instance();
        IDocument const* document = application ? application->getDocument() : nullptr;
        if (document)
            t = document->getTime();
    }
    m_output = splat(t);
}

PluginDesc PerlinNoise::_pluginDesc =
    mathNodeDesc("426C7DF9-F137-11DD-9ABA-AB6E6BD4E393", "Misc/Perlin Noise", "PerlinNoise");

PerlinNoise::PerlinNoise()
{
    addInput("Attributes/Seed", kParameterInt, "0", &m_seedInput);
    addInput("Attributes/Frequency", kParameterFloat, "1", &m_frequency);
    addInput("Attributes/Octaves", kParameterInt, "8", &m_octaves);
    addInput("Attributes/Alpha", kParameterFloat, "2", &m_alpha);
    addInput("Attributes/Beta", kParameterFloat, "2", &m_beta);
    addOutput("Output", kParameterFloat, &m_output);
    m_noise.init(0);
}

PerlinNoise::~PerlinNoise() = default;

void PerlinNoise::resolve(IGraph* graph)
{
    Modifier::resolve(graph);
    if (NodeParameter const* seed = findInputNamed("Attributes/Seed"))
        reseed(seed->value->getInt());
}

void PerlinNoise::reseed(int seed)
{
    if (seed == m_seed)
        return;
    m_noise.init(static_cast<unsigned int>(seed));
    m_seed = seed;
}

void PerlinNoise::eval(UpdateContext& context)
{
    reseed(m_seedInput);
    // Past a few dozen octaves the sum no longer changes; a typo must not stall the frame.
    int const maxOctaves = 32;
    m_noise.setNumOctaves(std::clamp(m_octaves, 1, maxOctaves));
    m_noise.setAlpha(m_alpha);
    m_noise.setBeta(m_beta);
    float const x = static_cast<float>(static_cast<double>(m_frequency) * context.time);
    m_output = m_noise.noise1d(x) * 0.5f + 0.5f;
}

} // namespace tormakelin::fxcore
