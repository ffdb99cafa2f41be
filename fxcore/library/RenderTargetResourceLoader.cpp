#include <tormakelin/fxcore/ResourceLoaders.h>

#include "LoaderSupport.h"
#include "PluginDescs.h"

#include <tormakelin/fxcore/RenderTargetResource.h>

#include <tormakelin/core/Debug.h>
#include <tormakelin/render/DeviceUtil.h>
#include <tormakelin/render/RenderDevice.h>
#include <tormakelin/render/Texture.h>

#include <cstdio>
#include <string>

namespace tormakelin::fxcore {

using detail::createResourcePlugin;
using detail::failLoad;
using detail::finishLoad;

namespace {

// Bytes a texel takes in the formats the setup page offers; the widest of them for any other.
unsigned long long texelBytes(D3DFORMAT format)
{
    switch (format) {
    case D3DFMT_L8:
        return 1;
    case D3DFMT_A8R8G8B8:
    case D3DFMT_X8R8G8B8:
    case D3DFMT_R32F:
        return 4;
    case D3DFMT_A16B16G16R16F:
        return 8;
    default:
        return 16;
    }
}

// Why the device cannot make a target of this size, or empty when it may: the sides the device
// reports it can make, and the texture memory it reports, so that a project's size never asks
// for gigabytes.
std::string sizeRefusal(int width, int height, D3DFORMAT format, bool depth)
{
    if (width <= 0 || height <= 0)
        return "too small";
    IDirect3DDevice9* device = render::g_renderDevice ? render::g_renderDevice->getD3DDevice() : nullptr;
    D3DCAPS9 caps{};
    if (!device || FAILED(device->GetDeviceCaps(&caps)))
        return "not possible without a device";
    if (unsigned(width) > caps.MaxTextureWidth || unsigned(height) > caps.MaxTextureHeight)
        return "larger than the device's " + std::to_string(caps.MaxTextureWidth) + "x" +
            std::to_string(caps.MaxTextureHeight);
    unsigned long long const texels = (unsigned long long)width * (unsigned long long)height;
    unsigned long long const bytes = texels * (texelBytes(format) + (depth ? 4 : 0));
    if (bytes > device->GetAvailableTextureMem())
        return "more than the device's " + std::to_string(device->GetAvailableTextureMem() >> 20) +
            " MiB of texture memory";
    return {};
}

} // namespace

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
            result.status = kResourceLoadCancelled;
            return;
        }
    }
    int const width = findParameter("Width")->getInt();
    int const height = findParameter("Height")->getInt();
    int const format = findParameter("Format")->getInt();
    int const mipmaps = findParameter("Mipmaps")->getInt();
    bool const autogen = findParameter("Autogen Mipmaps")->getInt() != 0;
    bool const depth = findParameter("Depth Buffer")->getInt() != 0;
    // The size comes from the project file: one the device cannot make must not reach it.
    std::string const refusal = sizeRefusal(width, height, D3DFORMAT(format), depth);
    if (!refusal.empty()) {
        core::Debug(core::DebugWarning, __FILE__, __LINE__, "RenderTargetResourceLoader")
            << "a " << width << "x" << height << " render target is " << refusal;
        failLoad(result, "Unable to create screen.");
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
