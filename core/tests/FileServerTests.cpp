#include <tormakelin/core/FileServer.h>
#include <tormakelin/core/RefCounted.h>
#include <tormakelin/core/SmartRef.h>

#include <gtest/gtest.h>

using namespace tormakelin::core;

namespace {

class Handler : public RefCounted<IFileServerHandler> {
public:
    Handler(std::string accepts, int answer) : m_accepts(std::move(accepts)), m_answer(answer) {}
    int handleRequest(const std::string& request) override
    {
        ++calls;
        return request == m_accepts ? m_answer : 0;
    }
    int calls = 0;

private:
    std::string m_accepts;
    int m_answer;
};

} // namespace

TEST(FileServer, FirstNonZeroAnswerWinsAndHandlersAreHeld)
{
    SmartRef<Handler> first(new Handler("a", 1));
    SmartRef<Handler> second(new Handler("a", 2));
    SmartRef<Handler> third(new Handler("b", 3));
    {
        SmartRef<IFileServer> server(createFileServer());
        EXPECT_EQ(g_fileServer, server.get());
        EXPECT_TRUE(server->registerHandler(first.get()));
        EXPECT_TRUE(server->registerHandler(second.get()));
        EXPECT_TRUE(server->registerHandler(third.get()));
        EXPECT_FALSE(server->registerHandler(nullptr));
        EXPECT_EQ(first->getRefCount(), 2);
        EXPECT_EQ(server->dispatch("a"), 1);
        EXPECT_EQ(second->calls, 0);
        EXPECT_EQ(server->dispatch("b"), 3);
        EXPECT_EQ(server->dispatch("c"), 0);
        EXPECT_TRUE(server->unregisterHandler(first.get()));
        EXPECT_FALSE(server->unregisterHandler(first.get()));
        EXPECT_EQ(first->getRefCount(), 1);
        EXPECT_EQ(server->dispatch("a"), 2);
        server->addString("media\\");
        EXPECT_EQ(server->getStrings(), std::vector<std::string>{"media\\"});
    }
    EXPECT_EQ(g_fileServer, nullptr);
    EXPECT_EQ(second->getRefCount(), 1) << "the server released what it held";
}
