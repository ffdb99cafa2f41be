#pragma once
// A render device on a headless Direct3D device, a window that records what the device asks of
// it, listeners that log their calls, and a pipeline that draws in pixel coordinates.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include <d3d9.h>
#include <d3d9gl.h>
#include <d3d9sim.h>

#include <HeadlessD3DDevice.h>

#include <tormakelin/render/RenderDevice.h>
#include <tormakelin/render/RenderListener.h>
#include <tormakelin/render/RenderWindow.h>

namespace render_test {

using namespace tormakelin::render;

class TestWindow : public IRenderWindow {
public:
    int fullscreenCalls = 0;
    int centerCalls = 0;
    bool fullscreen = false;

    bool create(void*) override { return false; }
    bool create(unsigned, unsigned, const std::string&, RenderWindowStyle, IRenderWindow*) override { return false; }
    void close() override {}
    bool isActive() override { return true; }
    bool hasFocus() override { return true; }
    void setFocus() override {}
    void center() override { ++centerCalls; }
    bool isFullscreen() override { return fullscreen; }
    bool setFullscreen(bool full) override
    {
        ++fullscreenCalls;
        fullscreen = full;
        return true;
    }
    bool toggleFullscreen() override { return setFullscreen(!fullscreen); }
    LRESULT messageHandler(HWND, UINT, WPARAM, LPARAM) override { return 0; }
    // No window of ours: the device layer makes its own hidden one.
    HWND getHandle() const override { return nullptr; }
};

class LoggingListener : public RenderListener {
public:
    LoggingListener(std::vector<std::string>& log, std::string name, bool answer = true)
        : RenderListener(true), m_log(log), m_name(std::move(name)), m_answer(answer)
    {
    }
    bool onLostDevice() override
    {
        m_log.push_back(m_name + " lost");
        return m_answer;
    }
    bool onResetDevice() override
    {
        m_log.push_back(m_name + " reset");
        return m_answer;
    }

private:
    std::vector<std::string>& m_log;
    std::string m_name;
    bool m_answer;
};

struct ScreenVertex {
    float x, y, z, w;
    D3DCOLOR colour;
};

class RenderDeviceTest : public ::testing::Test {
protected:
    static constexpr unsigned kWidth = 64;
    static constexpr unsigned kHeight = 48;

    void SetUp() override
    {
        device = createRenderDevice();
        device->addRef();
    }

    void TearDown() override
    {
        for (IUnknown* object : owned) {
            object->Release();
        }
        owned.clear();
        EXPECT_EQ(device->release(), 0);
        EXPECT_EQ(g_renderDevice, nullptr);
        d3dsimSetAdapters({});
        d3dsimSetStrictReset(false);
        d3dsimFailDirect3DCreate(false);
        d3dsimFailCreateDevice(false);
    }

    static DeviceCreateParams smallParams()
    {
        DeviceCreateParams params;
        params.width = kWidth;
        params.height = kHeight;
        return params;
    }

    bool createDevice(const DeviceCreateParams& params = smallParams()) { return device->create(&window, params); }
    IDirect3DDevice9* d3d() { return device->getD3DDevice(); }
    // The surfaces the device draws into now; released at once, compared by address.
    IDirect3DSurface9* target() { return tormakelin::test::currentTarget(d3d()); }
    IDirect3DSurface9* depth() { return tormakelin::test::currentDepth(d3d()); }

    // Vertices in pixels of the current target; colour from the vertex.
    void useScreenPipeline(unsigned width = kWidth, unsigned height = kHeight);
    void drawQuad(float x0, float y0, float x1, float y1, D3DCOLOR colour);
    std::vector<uint32_t> backBufferPixels();
    DWORD renderState(D3DRENDERSTATETYPE state)
    {
        DWORD value = 0;
        d3d()->GetRenderState(state, &value);
        return value;
    }

    IRenderDevice* device = nullptr;
    TestWindow window;
    std::vector<IUnknown*> owned;
};

} // namespace render_test
