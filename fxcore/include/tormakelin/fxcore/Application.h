#pragma once

#include <tormakelin/fxcore/Export.h>

namespace tormakelin::sound {
class ISoundDevice;
}

namespace tormakelin::fxcore {

class IDocument;
class IPluginManager;
class IScriptEngine;

class TORMAKELIN_FXCORE_API Application {
public:
    struct SoundParams {
        // -1 picks the default device.
        int device = -1;
        int frequency = 44100;
        bool noSound = false;
    };

    Application();
    Application(Application const&) = delete;
    Application& operator=(Application const&) = delete;
    virtual ~Application();

    static Application* instance();

    bool init(SoundParams const& params);
    void newDocument();
    void closeDocument();

    IDocument* getDocument() const { return m_document; }
    IPluginManager* getPluginManager() const { return m_pluginManager; }
    sound::ISoundDevice* getSoundDevice() const { return m_soundDevice; }
    IScriptEngine* getScriptEngine() const { return m_scriptEngine; }

private:
    IDocument* m_document = nullptr;
    IPluginManager* m_pluginManager = nullptr;
    sound::ISoundDevice* m_soundDevice = nullptr;
    IScriptEngine* m_scriptEngine = nullptr;
};

} // namespace tormakelin::fxcore
