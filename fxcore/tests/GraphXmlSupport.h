#pragma once
// Saving and loading a graph manager as the project document holds it.

#include <tormakelin/fxcore/Graph.h>
#include <tormakelin/fxcore/Serializer.h>

#include <tormakelin/core/MemStream.h>
#include <tormakelin/core/SmartRef.h>
#include <tormakelin/core/Stream.h>
#include <tormakelin/core/Xml.h>

#include <regex>
#include <string>

namespace tormakelin::fxcore::test {

// The text with the node counter of every "Graph" element blanked: loading a graph counts its
// nodes on from the stored counter, so that is all a save of a loaded document changes.
inline std::string withoutGraphCounters(std::string const& text)
{
    static std::regex const counter("(<Graph [^>]*SortOrder=\")[0-9]+\"");
    return std::regex_replace(text, counter, "$1\"");
}

inline std::string saveManager(IGraphManager* manager)
{
    core::SmartRef<core::IXmlDocument> const document = core::createXmlDocument();
    document->create(kRootElement);
    core::SmartRef<ISerializer> const save = createSerializer({1, document.get(), false});
    manager->serialize(save.get());
    core::SmartRef<core::IStream> const stream = document->save();
    return std::string(static_cast<char const*>(stream->getData()), stream->getSize());
}

// Null when the text is no XML.
inline core::SmartRef<IGraphManager> loadManager(std::string text)
{
    core::SmartRef<core::IXmlDocument> const document = core::createXmlDocument();
    core::SmartRef<core::IStream> const stream =
        core::createMemStream(text.data(), static_cast<unsigned int>(text.size()), true, false);
    if (!document->load(stream.get()))
        return nullptr;
    core::SmartRef<IGraphManager> manager = createGraphManager();
    core::SmartRef<ISerializer> const load = createSerializer({0, document.get(), false});
    forEachChildElement(load.get(), kGraphManagerElement, [&](core::IXmlNode*) { manager->serialize(load.get()); });
    return manager;
}

} // namespace tormakelin::fxcore::test
