#pragma once
// A registry of request handlers and of named locations, for tools that serve files to the
// engine. The first handler that answers a request with a non-zero result wins.

#include <tormakelin/core/Export.h>

#include <string>
#include <vector>

namespace tormakelin::core {

class TORMAKELIN_CORE_API IFileServerHandler {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    // Zero when the handler does not take the request.
    virtual int handleRequest(const std::string& request) = 0;
    virtual ~IFileServerHandler() = default;
};

class TORMAKELIN_CORE_API IFileServer {
public:
    virtual int addRef() = 0;
    virtual int release() = 0;
    // The server keeps a reference to each registered handler.
    virtual bool registerHandler(IFileServerHandler* handler) = 0;
    virtual bool unregisterHandler(IFileServerHandler* handler) = 0;
    virtual void addString(const std::string& text) = 0;
    virtual const std::vector<std::string>& getStrings() = 0;
    // Asks the handlers in registration order; the first non-zero answer, or 0.
    virtual int dispatch(const std::string& request) = 0;
    virtual ~IFileServer() = default;
};

TORMAKELIN_CORE_API extern IFileServer* g_fileServer;

// A new file server (count 0), published in g_fileServer.
TORMAKELIN_CORE_API IFileServer* createFileServer();

} // namespace tormakelin::core
