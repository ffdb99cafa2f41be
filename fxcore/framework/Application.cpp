#include "ActingDocument.h"

#include <tormakelin/fxcore/Application.h>
#include <tormakelin/fxcore/Document.h>
#include <tormakelin/fxcore/Graph.h>
#include <tormakelin/fxcore/Plugin.h>
#include <tormakelin/fxcore/Resource.h>
#include <tormakelin/fxcore/ScriptEngine.h>
#include <tormakelin/fxcore/Services.h>
#include <tormakelin/fxcore/Transform.h>

#include <tormakelin/core/Path.h>
#include <tormakelin/core/Random.h>
#include <tormakelin/core/SystemPath.h>

#include <tormakelin/render/RenderDevice.h>
#include <tormakelin/render/TextureManager.h>

#include <tormakelin/sound/SoundDevice.h>

#include <algorithm>

namespace tormakelin::fxcore {
namespace {

Application* s_instance = nullptr;

// The document that is acting, else the current one.
IDocument* currentDocument()
{
    if (IDocument* acting = ActingDocument::get())
        return acting;
    return s_instance ? s_instance->getDocument() : nullptr;
}

IResource* findDocumentResource(core::UniqueId const& id, std::vector<core::UniqueId> const& typeIds)
{
    IDocument* document = currentDocument();
    IResource* resource = document ? document->getResourceManager()->findResource(id) : nullptr;
    if (!resource)
        return nullptr;
    if (!typeIds.empty()) {
        auto const* plugin = dynamic_cast<IPlugin const*>(resource);
        if (!plugin || std::find(typeIds.begin(), typeIds.end(), plugin->getPluginDesc().id) == typeIds.end())
            return nullptr;
    }
    resource->addRef();
    return resource;
}

bool documentAuthorSize(uint32_t& width, uint32_t& height)
{
    IDocument* document = currentDocument();
    if (!document)
        return false;
    DocumentSettings const& settings = document->getSettings();
    if (settings.authorWidth <= 0 || settings.authorHeight <= 0)
        return false;
    width = static_cast<uint32_t>(settings.authorWidth);
    height = static_cast<uint32_t>(settings.authorHeight);
    return true;
}

void connectServices()
{
    FrameworkServices::pluginManager = [] { return s_instance ? s_instance->getPluginManager() : nullptr; };
    FrameworkServices::scriptEngine = [] { return s_instance ? s_instance->getScriptEngine() : nullptr; };
    FrameworkServices::graphManager = []() -> IGraphManager* {
        IDocument* document = currentDocument();
        return document ? document->getGraphManager() : nullptr;
    };
    FrameworkServices::findResource = &findDocumentResource;
    Transform::s_authorSizeQuery = &documentAuthorSize;
}

void disconnectServices()
{
    FrameworkServices::pluginManager = [] { return static_cast<IPluginManager*>(nullptr); };
    FrameworkServices::scriptEngine = [] { return static_cast<IScriptEngine*>(nullptr); };
    FrameworkServices::graphManager = [] { return static_cast<IGraphManager*>(nullptr); };
    FrameworkServices::findResource = [](core::UniqueId const&, std::vector<core::UniqueId> const&) {
        return static_cast<IResource*>(nullptr);
    };
    Transform::s_authorSizeQuery = nullptr;
}

template <class T>
void drop(T*& object)
{
    if (T* const held = std::exchange(object, nullptr))
        held->release();
}

// Released while still current, so that its playing layers find their graphs when they are
// deactivated.
void dropDocument(IDocument*& document)
{
    if (document)
        document->release();
    document = nullptr;
}

} // namespace

Application::Application()
{
    s_instance = this;
    connectServices();
}

// The document goes before the plug-in manager: its nodes live in the plug-in libraries.
Application::~Application()
{
    drop(m_scriptEngine);
    dropDocument(m_document);
    drop(m_pluginManager);
    drop(m_soundDevice);
    if (s_instance == this) {
        disconnectServices();
        s_instance = nullptr;
    }
}

Application* Application::instance()
{
    return s_instance;
}

// Sound may fail (the demo then plays silently); without plug-ins or scripts nothing can play.
bool Application::init(SoundParams const& params)
{
    core::randomSeed(666);

    drop(m_soundDevice);
    m_soundDevice = sound::createSoundDevice();
    if (m_soundDevice) {
        m_soundDevice->addRef();
        // The audio layer's device 0 plays nothing yet keeps the music's clock running.
        m_soundDevice->init(params.noSound ? 0 : params.device, params.frequency);
    }

    std::string const folder = core::getPath(core::getExecutablePath());
    drop(m_pluginManager);
    m_pluginManager = createPluginManager();
    if (m_pluginManager)
        m_pluginManager->addRef();
    bool const pluginsReady = m_pluginManager && m_pluginManager->loadPlugins(folder);

    drop(m_scriptEngine);
    m_scriptEngine = createScriptEngine();
    if (m_scriptEngine)
        m_scriptEngine->addRef();
    bool const scriptsReady = m_scriptEngine && m_scriptEngine->init();
    return pluginsReady && scriptsReady;
}

void Application::newDocument()
{
    IDocument* fresh = createDocument();
    if (fresh)
        fresh->addRef();
    dropDocument(m_document);
    m_document = fresh;
}

void Application::closeDocument()
{
    if (render::g_renderDevice)
        if (render::TextureManager* textures = render::g_renderDevice->getTextureManager())
            textures->clear();
    dropDocument(m_document);
}

} // namespace tormakelin::fxcore
