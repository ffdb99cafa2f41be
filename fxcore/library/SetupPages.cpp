#include <tormakelin/fxcore/ResourceLoaders.h>

#include <tormakelin/fxcore/ScriptEngine.h>

#include <tormakelin/render/DeviceUtil.h>

#include <tormakelin_win32.h>

#include <d3d9.h>

#include <map>

namespace tormakelin::fxcore {

namespace {

using win32::ControlKind;

void addControl(win32::DialogTemplate& page, ControlKind kind, int id, char const* text, int x, int y, int width,
    int height)
{
    page.controls.push_back(win32::DialogControl{kind, id, text, x, y, width, height, 0});
}

win32::DialogTemplate fontTemplate()
{
    win32::DialogTemplate page;
    page.caption = "Font";
    page.width = 220;
    page.height = 78;
    addControl(page, ControlKind::Static, -1, "Font file:", 7, 9, 50, 10);
    addControl(page, ControlKind::Edit, FontSetupPage::kFileEdit, "", 60, 7, 100, 13);
    addControl(page, ControlKind::Button, FontSetupPage::kBrowse, "Browse...", 165, 6, 48, 14);
    addControl(page, ControlKind::Static, -1, "Point size:", 7, 29, 50, 10);
    addControl(page, ControlKind::Edit, FontSetupPage::kSizeEdit, "", 60, 27, 40, 13);
    addControl(page, ControlKind::DefaultButton, IDOK, "OK", 108, 56, 50, 14);
    addControl(page, ControlKind::Button, IDCANCEL, "Cancel", 163, 56, 50, 14);
    return page;
}

win32::DialogTemplate renderTargetTemplate()
{
    using Page = RenderTargetSetupPage;
    win32::DialogTemplate page;
    page.caption = "Render Target";
    page.width = 200;
    page.height = 132;
    addControl(page, ControlKind::Static, -1, "Width:", 7, 9, 50, 10);
    addControl(page, ControlKind::Edit, Page::kWidthEdit, "", 70, 7, 60, 13);
    addControl(page, ControlKind::Static, -1, "Height:", 7, 27, 50, 10);
    addControl(page, ControlKind::Edit, Page::kHeightEdit, "", 70, 25, 60, 13);
    addControl(page, ControlKind::Static, -1, "Format:", 7, 45, 50, 10);
    addControl(page, ControlKind::ComboBox, Page::kFormatCombo, "", 70, 43, 120, 80);
    addControl(page, ControlKind::Static, -1, "Mip levels:", 7, 63, 50, 10);
    addControl(page, ControlKind::Edit, Page::kMipmapsEdit, "", 70, 61, 60, 13);
    addControl(page, ControlKind::CheckBox, Page::kAutogenCheck, "Generate mipmaps", 7, 80, 120, 10);
    addControl(page, ControlKind::CheckBox, Page::kDepthCheck, "Depth buffer", 7, 94, 120, 10);
    addControl(page, ControlKind::DefaultButton, IDOK, "OK", 88, 111, 50, 14);
    addControl(page, ControlKind::Button, IDCANCEL, "Cancel", 143, 111, 50, 14);
    return page;
}

HINSTANCE libraryModule()
{
    return static_cast<HINSTANCE>(g_instance);
}

// The pages' templates live in this library; they are registered the first time a page is made.
void registerTemplates()
{
    static bool const registered = [] {
        win32::registerDialogTemplate(libraryModule(), MAKEINTRESOURCEA(FontSetupPage::kTemplateId), fontTemplate());
        win32::registerDialogTemplate(
            libraryModule(), MAKEINTRESOURCEA(RenderTargetSetupPage::kTemplateId), renderTargetTemplate());
        return true;
    }();
    (void)registered;
}

std::string parameterText(IResourceLoader* loader, char const* name)
{
    IParameter const* parameter = loader->findParameter(name);
    return parameter ? parameter->getText() : std::string();
}

void setParameterText(IResourceLoader* loader, char const* name, std::string const& text)
{
    if (IParameter* parameter = loader->findParameter(name))
        parameter->setText(text);
}

int parameterInt(IResourceLoader* loader, char const* name)
{
    IParameter const* parameter = loader->findParameter(name);
    return parameter ? parameter->getInt() : 0;
}

} // namespace

FontSetupPage::FontSetupPage(IResourceLoader* loader) : m_loader(loader)
{
    registerTemplates();
}

HINSTANCE FontSetupPage::getInstance() { return libraryModule(); }

int FontSetupPage::getDialogId() { return kTemplateId; }

INT_PTR FontSetupPage::onMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG) {
        setText(dialog, kSizeEdit, parameterText(m_loader, "PointSize"));
        setText(dialog, kFileEdit, "");
        return TRUE;
    }
    if (message != WM_COMMAND)
        return FALSE;
    switch (LOWORD(wParam)) {
    case kBrowse: {
        ResourceDialog browse;
        browse.addFileType("TTF Font Files (*.ttf)", "*.ttf");
        browse.addFileType("All Files (*.*)", "*.*");
        if (browse.doModal(dialog, ResourceDialogOpenFile))
            setText(dialog, kFileEdit, browse.getFileName());
        return TRUE;
    }
    case IDOK:
        setParameterText(m_loader, "Filename", getText(dialog, kFileEdit));
        setParameterText(m_loader, "PointSize", getText(dialog, kSizeEdit));
        EndDialog(dialog, 1);
        return TRUE;
    case IDCANCEL:
        EndDialog(dialog, 2);
        return TRUE;
    }
    return FALSE;
}

RenderTargetSetupPage::RenderTargetSetupPage(IResourceLoader* loader) : m_loader(loader)
{
    registerTemplates();
}

HINSTANCE RenderTargetSetupPage::getInstance() { return libraryModule(); }

int RenderTargetSetupPage::getDialogId() { return kTemplateId; }

INT_PTR RenderTargetSetupPage::onMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG) {
        // Ordered by format value, as the list shows them.
        std::map<int, std::string> formats;
        for (D3DFORMAT format : {D3DFMT_X8R8G8B8, D3DFMT_A8R8G8B8, D3DFMT_A16B16G16R16F, D3DFMT_A32B32G32R32F,
                 D3DFMT_R32F, D3DFMT_L8})
            formats[int(format)] = render::formatToString(format);
        for (auto const& [value, text] : formats)
            addComboItem(dialog, kFormatCombo, text, value);
        setComboSelection(dialog, kFormatCombo, 0);
        setText(dialog, kWidthEdit, std::to_string(parameterInt(m_loader, "Width")));
        setText(dialog, kHeightEdit, std::to_string(parameterInt(m_loader, "Height")));
        setText(dialog, kMipmapsEdit, std::to_string(parameterInt(m_loader, "Mipmaps")));
        setCheck(dialog, kAutogenCheck, parameterInt(m_loader, "Autogen Mipmaps") != 0);
        setCheck(dialog, kDepthCheck, parameterInt(m_loader, "Depth Buffer") != 0);
        return TRUE;
    }
    if (message != WM_COMMAND)
        return FALSE;
    switch (LOWORD(wParam)) {
    case IDOK: {
        int const format = getComboKey(dialog, kFormatCombo, getComboSelection(dialog, kFormatCombo));
        setParameterText(m_loader, "Format", std::to_string(format));
        setParameterText(m_loader, "Width", getText(dialog, kWidthEdit));
        setParameterText(m_loader, "Height", getText(dialog, kHeightEdit));
        setParameterText(m_loader, "Mipmaps", getText(dialog, kMipmapsEdit));
        setParameterText(m_loader, "Autogen Mipmaps", getCheck(dialog, kAutogenCheck) ? "1" : "0");
        setParameterText(m_loader, "Depth Buffer", getCheck(dialog, kDepthCheck) ? "1" : "0");
        EndDialog(dialog, 1);
        return TRUE;
    }
    case IDCANCEL:
        EndDialog(dialog, 2);
        return TRUE;
    }
    return FALSE;
}

} // namespace tormakelin::fxcore
