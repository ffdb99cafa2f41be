#include <tormakelin/fxcore/Serializer.h>

#include <tormakelin/core/UniqueId.h>
#include <tormakelin/core/Xml.h>

namespace tormakelin::fxcore {

namespace {

// Reads into `value` only when the attribute exists and parses.
template <typename T>
bool readOrWrite(ISerializer* serializer, std::string const& name, T& value)
{
    core::IXmlNode* node = getCurrentNode(serializer);
    if (!node)
        return false;
    if (serializer->isSaving())
        return node->setAttribute(name, value);
    T read = value;
    if (!node->getAttribute(name, read))
        return false;
    value = read;
    return true;
}

} // namespace

core::IXmlNode* getCurrentNode(ISerializer* serializer)
{
    if (!serializer)
        return nullptr;
    if (serializer->isSaving())
        return serializer->getSaveContext() ? serializer->getSaveContext()->getCurrentNode() : nullptr;
    return serializer->getLoadContext() ? serializer->getLoadContext()->getCurrentNode() : nullptr;
}

bool serializeAttribute(ISerializer* serializer, std::string const& name, int& value)
{
    return readOrWrite(serializer, name, value);
}

bool serializeAttribute(ISerializer* serializer, std::string const& name, unsigned int& value)
{
    int number = static_cast<int>(value);
    if (!readOrWrite(serializer, name, number))
        return false;
    value = static_cast<unsigned int>(number);
    return true;
}

bool serializeAttribute(ISerializer* serializer, std::string const& name, bool& value)
{
    int number = value ? 1 : 0;
    if (!readOrWrite(serializer, name, number))
        return false;
    value = number != 0;
    return true;
}

bool serializeAttribute(ISerializer* serializer, std::string const& name, float& value)
{
    return readOrWrite(serializer, name, value);
}

bool serializeAttribute(ISerializer* serializer, std::string const& name, double& value)
{
    return readOrWrite(serializer, name, value);
}

bool serializeAttribute(ISerializer* serializer, std::string const& name, std::string& value)
{
    return readOrWrite(serializer, name, value);
}

bool serializeAttribute(ISerializer* serializer, std::string const& name, core::UniqueId& value)
{
    std::string text = core::uniqueIdToString(value);
    if (!readOrWrite(serializer, name, text))
        return false;
    // A text that is no id leaves the value as it was.
    return serializer->isSaving() || core::stringToUniqueId(text, value);
}

} // namespace tormakelin::fxcore
