// Dialog drawing: each dialog has its own SDL window, GL context and ImGui context. Controls are
// drawn from their Control records; what the user does becomes the same messages a program sends.
#include <SDL2/SDL.h>
#include <epoxy/gl.h>
#include <imgui.h>
#include <imgui_stdlib.h>
#include <backends/imgui_impl_sdl.h>

#include <sys/stat.h>

#include <cstdio>
#include <functional>

#include "gl_renderer.h"
#include "win32_state.h"

namespace tormakelin::win32 {

struct DialogUi {
    SDL_Window* window = nullptr;
    SDL_GLContext gl = nullptr;
    ImGuiContext* imgui = nullptr;
    GlRenderer renderer;
    std::vector<SDL_Event> events;
    bool popupOpen = false;
};

namespace {

// Makes a GL context and an ImGui context current for a scope and puts the previous ones back,
// so the render device's context is untouched by a dialog.
class UiScope {
public:
    explicit UiScope(DialogUi& ui)
        : m_window(SDL_GL_GetCurrentWindow()), m_gl(SDL_GL_GetCurrentContext()), m_imgui(ImGui::GetCurrentContext()) {
        SDL_GL_MakeCurrent(ui.window, ui.gl);
        ImGui::SetCurrentContext(ui.imgui);
    }
    ~UiScope() {
        SDL_GL_MakeCurrent(m_window, m_gl);
        ImGui::SetCurrentContext(m_imgui);
    }
    UiScope(const UiScope&) = delete;
    UiScope& operator=(const UiScope&) = delete;

private:
    SDL_Window* m_window;
    SDL_GLContext m_gl;
    ImGuiContext* m_imgui;
};

SDL_GLContext createContext(SDL_Window* window) {
    int major = 0, minor = 0, profile = 0, share = 0;
    SDL_GL_GetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, &major);
    SDL_GL_GetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, &minor);
    SDL_GL_GetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, &profile);
    SDL_GL_GetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, &share);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, 0);
    SDL_Window* previousWindow = SDL_GL_GetCurrentWindow();
    SDL_GLContext previous = SDL_GL_GetCurrentContext();
    SDL_GLContext gl = SDL_GL_CreateContext(window);
    SDL_GL_MakeCurrent(previousWindow, previous);
    // Put back what the 3-D device layer asked for.
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, major);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, minor);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, profile);
    SDL_GL_SetAttribute(SDL_GL_SHARE_WITH_CURRENT_CONTEXT, share);
    return gl;
}

void loadFont() {
    ImGuiIO& io = ImGui::GetIO();
    const char* candidates[] = {"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
                                "/usr/share/fonts/TTF/DejaVuSans.ttf"};
    for (const char* path : candidates) {
        struct stat st{};
        if (stat(path, &st) == 0 && io.Fonts->AddFontFromFileTTF(path, 15.0f)) return;
    }
    io.Fonts->AddFontDefault();
}

void applyStyle() {
    ImGui::StyleColorsLight();
    ImGuiStyle& style = ImGui::GetStyle();
    style.WindowRounding = 0.0f;
    style.FrameRounding = 2.0f;
    style.FrameBorderSize = 1.0f;
    style.WindowPadding = ImVec2(0, 0);
    style.Colors[ImGuiCol_WindowBg] = ImVec4(0.94f, 0.94f, 0.94f, 1.0f);
}

// "&Run" shows as "Run"; "&&" is a literal ampersand.
std::string label(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size()) {
            ++i;
        }
        out += text[i];
    }
    return out;
}

using Actions = std::vector<std::function<void()>>;

struct Box {
    float x, y, w, h;
};

Box boxOf(const Window& c) {
    return Box{float(c.rect.left), float(c.rect.top), float(c.rect.right - c.rect.left), float(c.rect.bottom - c.rect.top)};
}

// Vertically centres a single-line widget in its box.
void placeLine(const Box& b) {
    float frame = ImGui::GetFrameHeight();
    float y = b.h > frame ? b.y + (b.h - frame) / 2 : b.y;
    ImGui::SetCursorPos(ImVec2(b.x, y));
}

void drawGroup(const Window& c, const Box& b) {
    ImDrawList* draw = ImGui::GetWindowDrawList();
    ImVec2 origin = ImGui::GetWindowPos();
    float half = ImGui::GetFontSize() / 2;
    ImU32 line = ImGui::GetColorU32(ImGuiCol_Border);
    draw->AddRect(ImVec2(origin.x + b.x, origin.y + b.y + half), ImVec2(origin.x + b.x + b.w, origin.y + b.y + b.h), line, 2.0f);
    std::string text = label(c.text);
    if (text.empty()) return;
    ImVec2 size = ImGui::CalcTextSize(text.c_str());
    ImVec2 at(origin.x + b.x + 8, origin.y + b.y);
    draw->AddRectFilled(ImVec2(at.x - 3, at.y), ImVec2(at.x + size.x + 3, at.y + size.y), ImGui::GetColorU32(ImGuiCol_WindowBg));
    draw->AddText(at, ImGui::GetColorU32(ImGuiCol_Text), text.c_str());
}

void drawStatic(const Window& c, const Box& b) {
    ImGui::SetCursorPos(ImVec2(b.x, b.y + 2));
    ImGui::PushTextWrapPos(b.x + b.w);
    ImGui::TextUnformatted(label(c.text).c_str());
    ImGui::PopTextWrapPos();
}

void drawButton(const Window& c, const Box& b, Actions& actions) {
    HWND h = c.handle;
    ImGui::SetCursorPos(ImVec2(b.x, b.y));
    bool strong = c.control->kind == ControlKind::DefaultButton;
    if (strong) ImGui::PushStyleVar(ImGuiStyleVar_FrameBorderSize, 2.0f);
    if (ImGui::Button(label(c.text).c_str(), ImVec2(b.w, b.h)))
        actions.push_back([h] { SendMessageA(h, BM_CLICK, 0, 0); });
    if (strong) ImGui::PopStyleVar();
}

void drawCheckBox(const Window& c, const Box& b, Actions& actions) {
    HWND h = c.handle;
    placeLine(b);
    bool checked = c.control->check == BST_CHECKED;
    if (ImGui::Checkbox(label(c.text).c_str(), &checked)) actions.push_back([h] { SendMessageA(h, BM_CLICK, 0, 0); });
}

void drawEdit(Window& c, const Box& b, Actions& actions) {
    HWND h = c.handle;
    placeLine(b);
    ImGui::SetNextItemWidth(b.w);
    std::string text = c.text;
    ImGuiInputTextFlags flags = 0;
    if (c.style & ES_NUMBER) flags |= ImGuiInputTextFlags_CharsDecimal;
    if (c.style & ES_READONLY) flags |= ImGuiInputTextFlags_ReadOnly;
    if (ImGui::InputText("##edit", &text, flags)) {
        if (text.size() > c.control->limit) text.resize(c.control->limit);
        c.text = text;
        actions.push_back([h] { notifyParent(h, EN_CHANGE); });
    }
}

const char* selectedItem(const Control& k) {
    return k.selection >= 0 && size_t(k.selection) < k.items.size() ? k.items[size_t(k.selection)].c_str() : "";
}

void drawComboItems(HWND h, Control& k, Actions& actions) {
    for (size_t i = 0; i < k.items.size(); ++i) {
        ImGui::PushID(int(i));
        bool selected = int(i) == k.selection;
        if (ImGui::Selectable(k.items[i].c_str(), selected) && !selected) {
            k.selection = int(i);
            actions.push_back([h] { notifyParent(h, CBN_SELCHANGE); });
        }
        if (selected) ImGui::SetItemDefaultFocus();
        ImGui::PopID();
    }
}

void drawComboBox(const Window& c, const Box& b, Actions& actions) {
    ImGui::SetCursorPos(ImVec2(b.x, b.y));  // a combo's height includes its list
    ImGui::SetNextItemWidth(b.w);
    if (ImGui::BeginCombo("##combo", selectedItem(*c.control))) {
        drawComboItems(c.handle, *c.control, actions);
        ImGui::EndCombo();
    }
}

void drawTrackbar(const Window& c, const Box& b, Actions& actions) {
    HWND h = c.handle;
    Control& k = *c.control;
    placeLine(b);
    ImGui::SetNextItemWidth(b.w);
    int position = k.position;
    HWND parent = c.parent;
    if (ImGui::SliderInt("##track", &position, k.rangeMin, k.rangeMax, "")) {
        k.position = position;
        actions.push_back([h, parent, position] {
            SendMessageA(parent, WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, position), reinterpret_cast<LPARAM>(h));
        });
    }
    if (ImGui::IsItemDeactivatedAfterEdit())
        actions.push_back([h, parent] {
            SendMessageA(parent, WM_HSCROLL, MAKEWPARAM(TB_ENDTRACK, 0), reinterpret_cast<LPARAM>(h));
        });
}

void drawControl(Window& c, Actions& actions) {
    Box b = boxOf(c);
    switch (c.control->kind) {
    case ControlKind::Static: drawStatic(c, b); break;
    case ControlKind::GroupBox: drawGroup(c, b); break;
    case ControlKind::Button:
    case ControlKind::DefaultButton: drawButton(c, b, actions); break;
    case ControlKind::CheckBox: drawCheckBox(c, b, actions); break;
    case ControlKind::Edit: drawEdit(c, b, actions); break;
    case ControlKind::ComboBox: drawComboBox(c, b, actions); break;
    case ControlKind::Trackbar: drawTrackbar(c, b, actions); break;
    }
}

void buildFrame(Window& dialog, DialogUi& ui, Actions& actions) {
    for (const SDL_Event& e : ui.events) ImGui_ImplSDL2_ProcessEvent(&e);
    ui.events.clear();
    ImGui_ImplSDL2_NewFrame();
    ImGui::NewFrame();
    ImGuiIO& io = ImGui::GetIO();
    ImGui::SetNextWindowPos(ImVec2(0, 0));
    ImGui::SetNextWindowSize(io.DisplaySize);
    ImGui::Begin("##dialog", nullptr,
                 ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoSavedSettings |
                     ImGuiWindowFlags_NoBringToFrontOnFocus | ImGuiWindowFlags_NoScrollWithMouse);
    std::vector<HWND> children = dialog.children;
    for (HWND child : children) {
        Window* c = findWindow(child);
        if (!c || !c->control || !(c->style & WS_VISIBLE)) continue;
        ImGui::PushID(child);
        ImGui::BeginDisabled(!c->enabled || !dialog.enabled);
        drawControl(*c, actions);
        ImGui::EndDisabled();
        ImGui::PopID();
    }
    if (dialog.dialog && dialog.dialog->drawExtra) dialog.dialog->drawExtra(dialog.handle);
    ui.popupOpen = ImGui::IsPopupOpen("", ImGuiPopupFlags_AnyPopupId | ImGuiPopupFlags_AnyPopupLevel);
    ImGui::End();
    ImGui::Render();
}

}  // namespace

DialogUi* createDialogUi(Window& dialog) {
    if (!dialog.sdl) return nullptr;
    SDL_GLContext gl = createContext(dialog.sdl);
    if (!gl) {
        std::fprintf(stderr, "Dialog drawing unavailable: %s\n", SDL_GetError());
        return nullptr;
    }
    auto* ui = new DialogUi;
    ui->window = dialog.sdl;
    ui->gl = gl;
    ImGuiContext* previous = ImGui::GetCurrentContext();
    ui->imgui = ImGui::CreateContext();
    ImGui::SetCurrentContext(previous);
    UiScope scope(*ui);
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;
    io.LogFilename = nullptr;
    loadFont();
    applyStyle();
    ImGui_ImplSDL2_InitForOpenGL(ui->window, ui->gl);
    if (!ui->renderer.create()) std::fprintf(stderr, "Dialog drawing: the GL program did not build.\n");
    return ui;
}

void destroyDialogUi(DialogUi* ui) {
    if (!ui) return;
    {
        UiScope scope(*ui);
        ui->renderer.destroy();
        ImGui_ImplSDL2_Shutdown();
    }
    ImGuiContext* previous = ImGui::GetCurrentContext();
    ImGui::DestroyContext(ui->imgui);
    if (previous != ui->imgui) ImGui::SetCurrentContext(previous);
    SDL_GL_DeleteContext(ui->gl);
    delete ui;
}

void queueDialogEvent(DialogUi* ui, const void* sdlEvent) {
    if (ui) ui->events.push_back(*static_cast<const SDL_Event*>(sdlEvent));
}

bool dialogHasPopup(DialogUi* ui) { return ui && ui->popupOpen; }

bool drawDialog(Window& dialog, std::vector<uint8_t>* capture, int* width, int* height) {
    DialogUi* ui = dialog.dialog ? dialog.dialog->ui : nullptr;
    if (!ui) return false;
    HWND handle = dialog.handle;
    Actions actions;
    {
        UiScope scope(*ui);
        buildFrame(dialog, *ui, actions);
        int w = 0, h = 0;
        SDL_GL_GetDrawableSize(ui->window, &w, &h);
        const ImVec4& bg = ImGui::GetStyle().Colors[ImGuiCol_WindowBg];
        ui->renderer.draw(ImGui::GetDrawData(), w, h, bg.x, bg.y, bg.z);
        if (capture) {
            ui->renderer.readPixels(w, h, *capture);
            *width = w;
            *height = h;
        }
        SDL_GL_SwapWindow(ui->window);
    }
    // What the user did runs after the frame: a handler may open a nested dialog or end this one.
    for (auto& action : actions)
        if (findWindow(handle)) action();
    return true;
}

bool captureWindow(HWND dialog, int& width, int& height, std::vector<uint8_t>& rgba) {
    Window* w = findWindow(dialog);
    if (!w || !w->dialog || !w->dialog->ui) return false;
    drawDialog(*w, nullptr, nullptr, nullptr);  // the first frame lays the widgets out
    w = findWindow(dialog);
    return w && drawDialog(*w, &rgba, &width, &height);
}

}  // namespace tormakelin::win32
