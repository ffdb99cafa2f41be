#include "PlayerApplication.h"

#include <tormakelin/fxcore/Graph.h>
#include <tormakelin/fxcore/Serializer.h>
#include <tormakelin/fxcore/ShaderEffect.h>
#include <tormakelin/fxcore/TimeUtil.h>

#include <tormakelin/core/ChildGuard.h>
#include <tormakelin/core/CommandLine.h>
#include <tormakelin/core/FileStream.h>
#include <tormakelin/core/FileSystem.h>
#include <tormakelin/core/SmartRef.h>
#include <tormakelin/core/SystemPath.h>
#include <tormakelin/core/Xml.h>

#include <tormakelin/kavro/ShaderInclude.h>

#include <cctype>
#include <charconv>

namespace tormakelin::client {
namespace {

constexpr char kProjectScript[] = "tormakelin.script";

// What atof reads, in the "C" locale whatever the process's locale: 0 when no number leads.
float parseSeconds(std::string const& text)
{
    size_t start = 0;
    while (start < text.size() && std::isspace(static_cast<unsigned char>(text[start])))
        ++start;
    if (start < text.size() && text[start] == '+')
        ++start;
    double value = 0;
    std::from_chars(text.data() + start, text.data() + text.size(), value);
    return float(value);
}

bool hasSwitch(core::CommandLine const& commandLine, char const* name)
{
    std::string ignored;
    return core::CommandLineHelper::getArgument(commandLine, name, ignored);
}

} // namespace

void PlayerApplication::readCommandLine()
{
    core::CommandLine const commandLine =
        m_seams.commandLine ? core::CommandLine(*m_seams.commandLine) : core::CommandLine();
    if (!core::CommandLineHelper::getArgument(commandLine, "-document", m_documentPath))
        m_documentPath = m_seams.executablePath.empty() ? core::getExecutablePath() : m_seams.executablePath;
    m_noSetup = hasSwitch(commandLine, "-nosetup");
    m_fullscreenSwitch = hasSwitch(commandLine, "-fullscreen");
    m_windowedSwitch = hasSwitch(commandLine, "-windowed");
    m_debug = hasSwitch(commandLine, "-debug");
    // "-delete" is accepted and has no effect.
    std::string time;
    if (core::CommandLineHelper::getArgument(commandLine, "-time", time) && !time.empty())
        m_startTime = parseSeconds(time);
}

bool PlayerApplication::runStartup()
{
    m_fileSystem = core::createFileSystem();
    if (m_fileSystem)
        m_fileSystem->addRef();
    readCommandLine();

    {
        core::FileStream probe;
        if (!probe.open(m_documentPath, true)) {
            showError("Document doesn't exist.");
            return false;
        }
    }
    if (!m_fileSystem || !m_fileSystem->mountZip(m_documentPath)) {
        showError("Unable to mount document.");
        return false;
    }
    core::SmartRef<core::IXmlDocument> const xml = core::createXmlDocument();
    if (!xml || !xml->load(kProjectScript)) {
        showError("Unable to load project script.");
        return false;
    }
    if (!loadDocumentSettings(xml.get())) {
        showError("Unable to load document script.");
        return false;
    }
    if (m_settings.showSetupDialog && !m_noSetup && !runSetupDialog())
        return false;

    SoundParams sound;
    if (m_setupRan) {
        sound.device = m_setup.audioAutodetect ? -1 : m_setup.audioDevice;
        sound.noSound = m_setup.noSound;
    }
    bool const started = m_seams.initApplication ? m_seams.initApplication(*this, sound) : init(sound);
    if (!started) {
        showError("Unable to init application.");
        return false;
    }
    if (!createWindowAndDevice())
        return false;
    kavro::setupShaderIncludes();
    if (!loadDocument(xml.get()))
        return false;
    precompileShaders();
    // Loading tried its shaders and scripts in children; the frames should not pay for that.
    core::reclaimPagesAfterChildren();
    m_endTime = float(fxcore::TimeUtil::timeUnitToFloat(firstScene()->getEndTime()));
    RegisterHotKey(getHandle(), kToggleHotKey, MOD_ALT, VK_RETURN);
    return true;
}

bool PlayerApplication::loadDocumentSettings(core::IXmlDocument* xml)
{
    core::SmartRef<fxcore::ISerializer> const serializer =
        fxcore::createSerializer({fxcore::kSerializerLoad, xml, false});
    if (!serializer)
        return false;
    fxcore::forEachChildElement(serializer.get(), fxcore::kDocumentSettingsElement,
        [&](core::IXmlNode*) { m_settings.serialize(serializer.get()); });
    return true;
}

bool PlayerApplication::runSetupDialog()
{
    SetupDialog dialog(m_instance, m_settings.title, m_settings.authorWidth, m_settings.authorHeight,
        m_settings.fullscreen != 0);
    if (!dialog.run())
        return false;
    m_setupRan = true;
    m_setup = dialog.getResults();
    return true;
}

bool PlayerApplication::loadDocument(core::IXmlDocument* xml)
{
    newDocument();
    fxcore::IDocument* const document = getDocument();
    core::SmartRef<fxcore::ISerializer> const serializer =
        fxcore::createSerializer({fxcore::kSerializerLoad, xml, false});
    if (!document || !serializer || !document->serialize(serializer.get())) {
        showError("Unable to load document script.");
        return false;
    }
    // Playback runs to the end of the first scene: without one there is nothing to play.
    if (!firstScene()) {
        showError("Document has no scene.");
        return false;
    }
    // What every frame tells the document alike; the scene lives as long as the document.
    m_context.scene = firstScene();
    m_context.playing = true;
    m_context.editor = false;
    m_context.instanceParameters.clear();
    return true;
}

fxcore::IScene* PlayerApplication::firstScene() const
{
    fxcore::IDocument* const document = getDocument();
    if (!document)
        return nullptr;
    auto const& scenes = document->getSceneManager()->getScenes();
    return scenes.empty() ? nullptr : scenes.front();
}

void PlayerApplication::precompileShaders()
{
    for (fxcore::IGraph* graph : getDocument()->getGraphManager()->getGraphs()) {
        for (fxcore::IGraphNode* node : graph->getNodes()) {
            if (auto* const shader = dynamic_cast<fxcore::ShaderEffect*>(node))
                shader->createShader();
        }
    }
}

} // namespace tormakelin::client
