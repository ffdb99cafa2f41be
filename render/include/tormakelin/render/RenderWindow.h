#pragma once
// The window the render device draws into: an own top-level or child window, or a window made by
// someone else that is subclassed for the time it is attached.

#include <string>

#include <windef.h>

#include <tormakelin/render/Export.h>

namespace tormakelin::render {

// Style flags of an own window.
enum RenderWindowStyle : unsigned int {
    RenderWindowStyle_Visible = 0x01,
    RenderWindowStyle_Caption = 0x02,
    RenderWindowStyle_SystemMenu = 0x04,
    RenderWindowStyle_MinMaxBox = 0x08,
    RenderWindowStyle_ThickFrame = 0x10,
    RenderWindowStyle_Fullscreen = 0x20,
};

inline RenderWindowStyle operator|(RenderWindowStyle a, RenderWindowStyle b) {
    return RenderWindowStyle(static_cast<unsigned int>(a) | static_cast<unsigned int>(b));
}

class TORMAKELIN_RENDER_API IRenderWindow {
public:
    virtual bool create(void* window) = 0;
    virtual bool create(unsigned int width, unsigned int height, const std::string& title, RenderWindowStyle flags,
                        IRenderWindow* parent) = 0;
    virtual void close() = 0;
    virtual bool isActive() = 0;
    virtual bool hasFocus() = 0;
    virtual void setFocus() = 0;
    virtual void center() = 0;
    virtual bool isFullscreen() = 0;
    virtual bool setFullscreen(bool full) = 0;
    virtual bool toggleFullscreen() = 0;
    virtual ~IRenderWindow() = default;
    virtual LRESULT messageHandler(HWND window, UINT message, WPARAM wParam, LPARAM lParam) = 0;
    // The window's handle, for the render device (null without a window).
    virtual HWND getHandle() const = 0;
};

// The window procedure every own and attached window shares.
TORMAKELIN_RENDER_API LRESULT renderWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

class TORMAKELIN_RENDER_API RenderWindow : public IRenderWindow {
public:
    RenderWindow();
    ~RenderWindow() override;
    RenderWindow(const RenderWindow&) = delete;
    RenderWindow& operator=(const RenderWindow&) = delete;

    bool create(void* window) override;
    bool create(unsigned int width, unsigned int height, const std::string& title, RenderWindowStyle flags,
                IRenderWindow* parent) override;
    void close() override;
    bool isActive() override;
    bool hasFocus() override;
    void setFocus() override;
    void center() override;
    bool isFullscreen() override;
    bool setFullscreen(bool full) override;
    bool toggleFullscreen() override;
    LRESULT messageHandler(HWND window, UINT message, WPARAM wParam, LPARAM lParam) override;
    HWND getHandle() const override { return m_window; }

    unsigned int getWidth() const { return m_width; }
    unsigned int getHeight() const { return m_height; }
    uint32_t getWindowedStyle() const { return m_windowedStyle; }

protected:
    HWND m_window = nullptr;
    unsigned int m_width = 0, m_height = 0;
    bool m_ownsWindow = false;
    bool m_active = false, m_hasFocus = false;
    uint32_t m_windowedStyle = 0;
    bool m_fullscreen = false;
    LRESULT (*m_previousProc)(HWND, UINT, WPARAM, LPARAM) = nullptr;
    IRenderWindow* m_parent = nullptr;

private:
    friend LRESULT renderWindowProc(HWND, UINT, WPARAM, LPARAM);
    void forgetWindow();
};

TORMAKELIN_RENDER_API RenderWindow* createRenderWindow();

}  // namespace tormakelin::render
