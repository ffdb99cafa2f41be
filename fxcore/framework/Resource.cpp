#include <tormakelin/fxcore/Resource.h>

#include <new>

namespace tormakelin::fxcore {

Resource::Resource()
{
    core::generateUniqueId(m_info.id);
}

Resource::~Resource()
{
    for (IResourceObject* object : m_objects)
        object->release();
}

ResourceInfo& Resource::getInfo()
{
    return m_info;
}

std::vector<IResourceObject*> const& Resource::getObjects() const
{
    return m_objects;
}

void Resource::getDependantFiles(std::vector<std::string>& out) const
{
    if (!m_info.fileName.empty())
        out.push_back(m_info.fileName);
    for (IResourceObject* object : m_objects) {
        std::string const name = object->getFileName();
        if (!name.empty())
            out.push_back(name);
    }
}

PluginDesc const& Resource::getPluginDesc() const
{
    return m_pluginDesc;
}

void Resource::setPluginDesc(PluginDesc const& desc)
{
    m_pluginDesc = desc;
}

void Resource::addObject(IResourceObject* object)
{
    if (!object)
        return;
    object->addRef();
    m_objects.push_back(object);
}

ResourceLoader::~ResourceLoader()
{
    for (auto& [name, parameter] : m_parameters)
        parameter->release();
}

IParameter* ResourceLoader::addParameter(std::string const& name, ParameterType type, std::string const& defaultText)
{
    IParameter* parameter = createParameter(type);
    if (!parameter)
        return nullptr;
    parameter->addRef();
    parameter->setText(defaultText);
    auto [it, inserted] = m_parameters.try_emplace(name, parameter);
    if (!inserted) {
        it->second->release();
        it->second = parameter;
    }
    return parameter;
}

ResourceLoaderParameters const& ResourceLoader::getParameters() const
{
    return m_parameters;
}

IParameter* ResourceLoader::findParameter(std::string const& name) const
{
    auto const it = m_parameters.find(name);
    return it == m_parameters.end() ? nullptr : it->second;
}

PluginDesc const& ResourceLoader::getPluginDesc() const
{
    return m_pluginDesc;
}

void ResourceLoader::setPluginDesc(PluginDesc const& desc)
{
    m_pluginDesc = desc;
}

ResourceObject::ResourceObject()
{
    core::generateUniqueId(m_id);
}

core::UniqueId const& ResourceObject::getId() const
{
    return m_id;
}

std::string ResourceObject::getGroupName() const
{
    std::string const name = getName();
    size_t const slash = name.find('/');
    return slash == std::string::npos ? std::string("Resource Objects") : name.substr(0, slash);
}

std::string ResourceObject::getFormattedName() const
{
    std::string name = getName();
    size_t const slash = name.find('/');
    if (slash == std::string::npos)
        return name;
    size_t const next = name.find('/', slash + 1);
    return name.substr(slash + 1, next == std::string::npos ? std::string::npos : next - slash - 1);
}

} // namespace tormakelin::fxcore
