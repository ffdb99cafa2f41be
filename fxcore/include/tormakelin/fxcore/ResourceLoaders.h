#pragma once
// The loaders of the media kinds: each turns its parameters (a file name, a few settings) into a
// new resource, asking the user first when interactive (an open-file dialog or a setup page).
// Failures give kResourceLoadFailed and a message and leave no resource; a cancelled dialog gives
// kResourceLoadCancelled.

#include <tormakelin/fxcore/Export.h>
#include <tormakelin/fxcore/Resource.h>
#include <tormakelin/fxcore/ResourceDialog.h>

#include <string>

namespace tormakelin::fxcore {

// A loader that reads one file named by its "Filename" parameter.
class TORMAKELIN_FXCORE_API FileResourceLoader : public ResourceLoader {
public:
    void loadResource(ResourceLoadResult& result, void* parentWindow, bool interactive, IResource** resource) final;

protected:
    // The open-file dialog's first file type.
    FileResourceLoader(std::string description, std::string pattern);
    virtual void load(ResourceLoadResult& result, std::string const& fileName, IResource** resource) = 0;

private:
    std::string m_description;
    std::string m_pattern;
};

class TORMAKELIN_FXCORE_API TextureResourceLoader : public FileResourceLoader {
public:
    static PluginDesc _pluginDesc;
    TextureResourceLoader();

protected:
    void load(ResourceLoadResult& result, std::string const& fileName, IResource** resource) override;
};

class TORMAKELIN_FXCORE_API CubeTextureResourceLoader : public FileResourceLoader {
public:
    static PluginDesc _pluginDesc;
    CubeTextureResourceLoader();

protected:
    void load(ResourceLoadResult& result, std::string const& fileName, IResource** resource) override;
};

class TORMAKELIN_FXCORE_API AnimatedTextureResourceLoader : public FileResourceLoader {
public:
    static PluginDesc _pluginDesc;
    AnimatedTextureResourceLoader();

protected:
    void load(ResourceLoadResult& result, std::string const& fileName, IResource** resource) override;
};

class TORMAKELIN_FXCORE_API TextureAtlasResourceLoader : public FileResourceLoader {
public:
    static PluginDesc _pluginDesc;
    TextureAtlasResourceLoader();

protected:
    void load(ResourceLoadResult& result, std::string const& fileName, IResource** resource) override;
};

class TORMAKELIN_FXCORE_API SceneResourceLoader : public FileResourceLoader {
public:
    static PluginDesc _pluginDesc;
    SceneResourceLoader();

protected:
    void load(ResourceLoadResult& result, std::string const& fileName, IResource** resource) override;
};

class TORMAKELIN_FXCORE_API SoundResourceLoader : public FileResourceLoader {
public:
    static PluginDesc _pluginDesc;
    SoundResourceLoader();

protected:
    void load(ResourceLoadResult& result, std::string const& fileName, IResource** resource) override;
};

class TORMAKELIN_FXCORE_API FontResourceLoader : public ResourceLoader {
public:
    static PluginDesc _pluginDesc;
    static constexpr int kMinPointSize = 8;
    static constexpr int kMaxPointSize = 180;
    FontResourceLoader();
    void loadResource(ResourceLoadResult& result, void* parentWindow, bool interactive, IResource** resource) override;
};

class TORMAKELIN_FXCORE_API RenderTargetResourceLoader : public ResourceLoader {
public:
    static PluginDesc _pluginDesc;
    RenderTargetResourceLoader();
    void loadResource(ResourceLoadResult& result, void* parentWindow, bool interactive, IResource** resource) override;
};

// The font loader's page: the file (typed or browsed for) and the point size.
class TORMAKELIN_FXCORE_API FontSetupPage : public ResourceDialog {
public:
    enum : int { kTemplateId = 102, kBrowse = 4, kFileEdit = 1008, kSizeEdit = 1009 };
    explicit FontSetupPage(IResourceLoader* loader);
    HINSTANCE getInstance() override;
    int getDialogId() override;
    INT_PTR onMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    IResourceLoader* m_loader;
};

// The render-target loader's page: size, format, mip levels and depth buffer.
class TORMAKELIN_FXCORE_API RenderTargetSetupPage : public ResourceDialog {
public:
    enum : int {
        kTemplateId = 101,
        kWidthEdit = 1001,
        kHeightEdit = 1002,
        kMipmapsEdit = 1004,
        kAutogenCheck = 1005,
        kDepthCheck = 1006,
        kFormatCombo = 1007,
    };
    explicit RenderTargetSetupPage(IResourceLoader* loader);
    HINSTANCE getInstance() override;
    int getDialogId() override;
    INT_PTR onMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    IResourceLoader* m_loader;
};

} // namespace tormakelin::fxcore
