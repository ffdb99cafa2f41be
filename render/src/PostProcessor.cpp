#include <tormakelin/core/RefCounted.h>
#include <tormakelin/render/PostProcessor.h>

namespace tormakelin::render {

namespace {

class PostProcessor final : public core::RefCounted<IPostProcessor> {
public:
    bool process(const PostProcessOp& op) override
    {
        // Kinds outside the known set draw nothing and are not an error.
        return op.kind < 0 || op.kind > 6;
    }
};

} // namespace

IPostProcessor* createPostProcessor()
{
    return new PostProcessor();
}

} // namespace tormakelin::render
