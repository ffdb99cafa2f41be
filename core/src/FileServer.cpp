#include <tormakelin/core/FileServer.h>
#include <tormakelin/core/RefCounted.h>

#include <algorithm>

namespace tormakelin::core {

IFileServer* g_fileServer = nullptr;

namespace {

class FileServer : public RefCounted<IFileServer> {
public:
    ~FileServer() override
    {
        for (IFileServerHandler* handler : m_handlers) {
            handler->release();
        }
        if (g_fileServer == this) {
            g_fileServer = nullptr;
        }
    }

    bool registerHandler(IFileServerHandler* handler) override
    {
        if (!handler) {
            return false;
        }
        handler->addRef();
        m_handlers.push_back(handler);
        return true;
    }

    bool unregisterHandler(IFileServerHandler* handler) override
    {
        const auto found = std::find(m_handlers.begin(), m_handlers.end(), handler);
        if (found == m_handlers.end()) {
            return false;
        }
        m_handlers.erase(found);
        handler->release();
        return true;
    }

    void addString(const std::string& text) override { m_strings.push_back(text); }
    const std::vector<std::string>& getStrings() override { return m_strings; }

    int dispatch(const std::string& request) override
    {
        for (IFileServerHandler* handler : m_handlers) {
            if (const int result = handler->handleRequest(request)) {
                return result;
            }
        }
        return 0;
    }

private:
    std::vector<IFileServerHandler*> m_handlers;
    std::vector<std::string> m_strings;
};

} // namespace

IFileServer* createFileServer()
{
    auto* server = new FileServer;
    g_fileServer = server;
    return server;
}

} // namespace tormakelin::core
