#include <tormakelin/fxcore/Resources.h>

#include "PluginDescs.h"

namespace tormakelin::fxcore {

PluginDesc FontResource::_pluginDesc =
    libraryPluginDesc(kPluginResource, "1E2407A0-F7B2-11DD-98FC-8AA50E493AB6", "Font Resource", "Font Resource");

bool FontResource::load(std::string const& fileName, int pointSize)
{
    return m_file.load(fileName, pointSize);
}

} // namespace tormakelin::fxcore
