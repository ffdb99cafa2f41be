#include "PlayerApplication.h"

#include <tormakelin/render/DebugRender.h>
#include <tormakelin/render/RenderDevice.h>
#include <tormakelin/render/RenderView.h>

#include <tormakelin/core/FileSystem.h>

#include <tormakelin_win32.h>

#include <utility>

namespace tormakelin::client {
namespace {

template <class T>
void drop(T*& object)
{
    if (T* const held = std::exchange(object, nullptr))
        held->release();
}

} // namespace

PlayerApplication::PlayerApplication(HINSTANCE instance, PlayerSeams seams)
    : m_instance(instance)
    , m_seams(std::move(seams))
{
}

// The document goes while the device it draws with still exists.
PlayerApplication::~PlayerApplication()
{
    closeDocument();
    drop(m_letterbox);
    drop(m_debugRender);
    drop(m_device);
    close();
    drop(m_fileSystem);
}

void PlayerApplication::showError(char const* text)
{
    MessageBoxA(nullptr, text, "Tormakelin-FX Error", MB_ICONERROR);
}

int runPlayer(PlayerSeams seams)
{
    static int const anchor = 0;
    HINSTANCE const instance = win32::moduleOf(&anchor);
    registerPlayerResources(instance);
    PlayerApplication application(instance, std::move(seams));
    if (!application.runStartup())
        return -1;
    application.runMainLoop();
    return 0;
}

} // namespace tormakelin::client
