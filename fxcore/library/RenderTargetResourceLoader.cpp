#include <tormakelin/fxcore/ResourceLoaders.h>

#include "LoaderSupport.h"
#include "PluginDescs.h"

#include <tormakelin/fxcore/RenderTargetResource.h>

#include <tormakelin/render/DeviceUtil.h>
#include <tormakelin/render/Texture.h>

#include <cstdio>

namespace tormakelin::fxcore {

using detail::createResourcePlugin;
using detail::failLoad;
using detail::finishLoad;

PluginDesc RenderTargetResourceLoader::_pluginDesc = libraryPluginDesc(kPluginResourceLoader,
    "193ACA04-F182-11DD-9C88-A960EEEB6D89", "RenderTarget/RenderTarget", "Render Target Resource Loader");

RenderTargetResourceLoader::RenderTargetResourceLoader()
{
    addParameter("Width", kParameterInt, "256");
    addParameter("Height", kParameterInt, "256");
    addParameter("Format", kParameterInt, std::to_string(int(D3DFMT_A8R8G8B8)));
    addParameter("Mipmaps", kParameterInt, "1");
    addParameter("Autogen Mipmaps", kParameterInt, "0");
    addParameter("Depth Buffer", kParameterInt, "1");
}

void RenderTargetResourceLoader::loadResource(ResourceLoadResult& result, void* parentWindow, bool interactive,
    IResource** resource)
{
    *resource = nullptr;
    result = ResourceLoadResult{};
    if (interactive) {
        RenderTargetSetupPage page(this);
        if (!page.doModal(parentWindow, ResourceDialogModal)) {
            result.status = 2;
            return;
        }
    }
    int const width = findParameter("Width")->getInt();
    int const height = findParameter("Height")->getInt();
    int const format = findParameter("Format")->getInt();
    int const mipmaps = findParameter("Mipmaps")->getInt();
    bool const autogen = findParameter("Autogen Mipmaps")->getInt() != 0;
    bool const depth = findParameter("Depth Buffer")->getInt() != 0;
    // The size comes from the project file: one that cannot be sensible must not reach the device.
    bool const empty = width <= 0 || height <= 0;
    if (empty || width > kMaxSide || height > kMaxSide || (long long)width * (long long)height > kMaxArea) {
        char text[96];
        std::snprintf(text, sizeof(text), "Unable to create screen: %dx%d is too %s.", width, height,
            empty ? "small" : "large");
        failLoad(result, text);
        return;
    }
    auto made = createResourcePlugin<RenderTargetResource>(result, "RenderTargetResource");
    if (!made) {
        failLoad(result, "Unable to create screen.");
        return;
    }
    render::TextureCreateParams params;
    params.levels = unsigned(mipmaps);
    params.usage = autogen ? D3DUSAGE_RENDERTARGET | D3DUSAGE_AUTOGENMIPMAP : D3DUSAGE_RENDERTARGET;
    params.format = D3DFORMAT(format);
    if (!made->create(unsigned(width), unsigned(height), params, depth)) {
        failLoad(result, "Unable to create screen.");
        return;
    }
    char description[160];
    std::snprintf(description, sizeof(description), "%dx%d %s %d mip(s) %s", width, height,
        render::formatToString(D3DFORMAT(format)).c_str(), mipmaps, depth ? ", depth buffer: Yes" : ", depth buffer: No");
    finishLoad(result, made.get(), this, description, "Render Target", std::string(), resource);
}

} // namespace tormakelin::fxcore
