#pragma once
// The one application object of the player: the framework's application and the render window
// in one, with start-up, the main loop, the frame and the keys.

#include "Player.h"
#include "SetupDialog.h"

#include <tormakelin/fxcore/Application.h>
#include <tormakelin/fxcore/Document.h>
#include <tormakelin/fxcore/GraphNode.h>
#include <tormakelin/render/RenderWindow.h>

#include <tormakelin/core/Timer.h>

#include <d3dx9math.h>

#include <string>

namespace tormakelin::core {
class IFileSystem;
class IXmlDocument;
} // namespace tormakelin::core

namespace tormakelin::render {
class IDebugRender;
class IRenderDevice;
class IRenderView;
} // namespace tormakelin::render

namespace tormakelin::client {

class PlayerApplication : public fxcore::Application, public render::RenderWindow {
public:
    static constexpr int kToggleHotKey = 0xD000;

    PlayerApplication(HINSTANCE instance, PlayerSeams seams);
    ~PlayerApplication() override;

    // Every step before playback; false (after its message, if any) when playback cannot begin.
    bool runStartup();
    void runMainLoop();

    LRESULT messageHandler(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;

    float getPlayTime() const { return m_playTime; }
    float getEndTime() const { return m_endTime; }
    float getDelta() const { return m_delta; }
    render::IRenderDevice* getRenderDevice() const { return m_device; }
    render::IRenderView* getLetterboxView() const { return m_letterbox; }

private:
    void readCommandLine();
    bool loadDocumentSettings(core::IXmlDocument* xml);
    bool runSetupDialog();
    bool createWindowAndDevice();
    void createLetterboxView();
    bool loadDocument(core::IXmlDocument* xml);
    void precompileShaders();
    fxcore::IScene* firstScene() const;
    void fillUpdateContext();
    void toggleScreenMode();
    void renderFrame();
    void prepareStatistics();
    void formatStatistics();
    void drawStatistics(int x, int y, D3DXVECTOR4 const& colour);
    void seek(float seconds);
    void showError(char const* text);

    HINSTANCE m_instance;
    PlayerSeams m_seams;
    core::IFileSystem* m_fileSystem = nullptr;
    render::IRenderDevice* m_device = nullptr;
    render::IRenderView* m_letterbox = nullptr;
    render::IDebugRender* m_debugRender = nullptr;
    std::string m_documentPath;
    bool m_noSetup = false;
    bool m_fullscreenSwitch = false;
    bool m_windowedSwitch = false;
    bool m_debug = false;
    bool m_quit = false;
    float m_startTime = 0;
    fxcore::DocumentSettings m_settings;
    bool m_setupRan = false;
    SetupResults m_setup;
    core::Timer m_timer;
    float m_playTime = 0;
    float m_delta = 0;
    float m_endTime = 0;
    bool m_toggleRequest = false;
    // Kept between frames so that a frame fills it without allocating.
    fxcore::UpdateContext m_context;
    std::string m_multiSampleText;
    std::string m_statisticsLines[4];
};

} // namespace tormakelin::client
