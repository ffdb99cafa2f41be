#include <tormakelin/fxcore/ResourceLoaders.h>

#include "LoaderSupport.h"
#include "PluginDescs.h"

#include <tormakelin/fxcore/Resources.h>

#include <algorithm>

namespace tormakelin::fxcore {

using detail::createResourcePlugin;
using detail::failLoad;
using detail::finishLoad;

PluginDesc FontResourceLoader::_pluginDesc = libraryPluginDesc(
    kPluginResourceLoader, "4271B350-F7B2-11DD-98FC-8AA50E493AB6", "Font/Font", "Font Resource Loader");

FontResourceLoader::FontResourceLoader()
{
    addParameter("Filename", kParameterText, "");
    addParameter("PointSize", kParameterInt, "32");
}

void FontResourceLoader::loadResource(ResourceLoadResult& result, void* parentWindow, bool interactive,
    IResource** resource)
{
    *resource = nullptr;
    result = ResourceLoadResult{};
    if (interactive) {
        FontSetupPage page(this);
        if (!page.doModal(parentWindow, ResourceDialogModal)) {
            result.status = kResourceLoadCancelled;
            return;
        }
    }
    std::string const fileName = findParameter("Filename")->getText();
    int const size = std::clamp(findParameter("PointSize")->getInt(), kMinPointSize, kMaxPointSize);
    auto made = createResourcePlugin<FontResource>(result, "FontResource");
    if (!made)
        return;
    if (!made->load(fileName, size)) {
        failLoad(result, "Unable to load font.");
        return;
    }
    std::string description = made->getFamilyName() + " " + std::to_string(size) + "pt";
    finishLoad(result, made.get(), this, std::move(description), "Font", fileName, resource);
}

} // namespace tormakelin::fxcore
