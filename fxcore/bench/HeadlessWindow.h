#pragma once
// A window that the render device does not need: benchmarks draw off screen.

#include <tormakelin/render/RenderWindow.h>

#include <string>

namespace tormakelin::bench {

class NoWindow : public render::IRenderWindow {
public:
    bool create(void*) override { return false; }
    bool create(unsigned, unsigned, const std::string&, render::RenderWindowStyle, render::IRenderWindow*) override
    {
        return false;
    }
    void close() override {}
    bool isActive() override { return true; }
    bool hasFocus() override { return true; }
    void setFocus() override {}
    void center() override {}
    bool isFullscreen() override { return false; }
    bool setFullscreen(bool) override { return true; }
    bool toggleFullscreen() override { return true; }
    LRESULT messageHandler(HWND, UINT, WPARAM, LPARAM) override { return 0; }
    HWND getHandle() const override { return nullptr; }
};

} // namespace tormakelin::bench
