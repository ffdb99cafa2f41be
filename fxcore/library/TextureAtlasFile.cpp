#include <tormakelin/fxcore/TextureAtlasFile.h>

#include "../framework/CLocale.h"

#include <tormakelin/core/SmartRef.h>
#include <tormakelin/core/String.h>
#include <tormakelin/core/Xml.h>
#include <tormakelin/render/TextureData.h>

#include <string>
#include <utility>
#include <vector>

namespace tormakelin::fxcore {

namespace {

int intAttribute(core::IXmlNode* node, char const* name)
{
    int value = 0;
    node->getAttribute(name, value);
    return value;
}

std::string textAttribute(core::IXmlNode* node, char const* name)
{
    std::string value;
    node->getAttribute(name, value);
    return value;
}

// The first four numbers of "x,y,w,h" in pixels; false when there are fewer.
bool readRect(std::string const& text, float (&values)[4])
{
    std::vector<std::string> parts;
    core::tokenize(parts, text, ",");
    if (parts.size() < 4)
        return false;
    for (int i = 0; i < 4; ++i)
        values[i] = float(detail::atofC(parts[size_t(i)].c_str()));
    return true;
}

void readEntry(core::IXmlNode* node, render::TextureAtlasData& data)
{
    float rect[4];
    if (!readRect(textAttribute(node, "Rect"), rect))
        return;
    float const width = float(data.width);
    float const height = float(data.height);
    data.rects[textAttribute(node, "Id")] = render::TextureAtlasRect{
        rect[0] / width, rect[1] / height, rect[2] / width, rect[3] / height};
}

// Wrappers come back with a count of 0: hold each one while it is used.
core::SmartRef<core::IXmlNode> hold(core::IXmlNode* node)
{
    return core::SmartRef<core::IXmlNode>(node);
}

} // namespace

render::ITextureAtlas* readTextureAtlas(core::IStream* stream)
{
    if (!stream)
        return nullptr;
    core::SmartRef<core::IXmlDocument> document(core::createXmlDocument());
    if (!document || !document->load(stream))
        return nullptr;
    auto root = hold(document->getRoot());
    if (!root || root->getName() != "Tormakelin.TextureAtlas")
        return nullptr;

    render::TextureAtlasData header;
    header.width = intAttribute(root.get(), "Width");
    header.height = intAttribute(root.get(), "Height");
    header.border = intAttribute(root.get(), "Border");
    header.textureFileName = textAttribute(root.get(), "TextureFilename");
    // Rectangles are stored as fractions of the image: a zero size leaves nothing to divide by.
    if (header.width <= 0 || header.height <= 0)
        return nullptr;
    for (auto child = hold(root->getFirstChildElement()); child; child = hold(child->getNextSiblingElement())) {
        if (child->getName() == "Texture")
            readEntry(child.get(), header);
    }

    // Nothing can fail past this point, so the atlas leaves with its count of 0.
    render::ITextureAtlas* atlas = render::createTextureAtlas();
    if (atlas)
        atlas->getData() = std::move(header);
    return atlas;
}

} // namespace tormakelin::fxcore
