// Loads arbitrary bytes as a keyframe track's binary record, evaluates it across and beyond its
// range, and stores it again.

#include <OwnedStream.h>

#include <tormakelin/core/Keyframe.h>
#include <tormakelin/core/MemStream.h>
#include <tormakelin/core/Serializer.h>
#include <tormakelin/core/SmartRef.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

using namespace tormakelin::core;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 20)) {
        return 0;
    }
    SmartRef<IStream> stream = tormakelin::test::ownedInputStream(data, size);
    SmartRef<ISerializer> in(createSerializer(stream.get(), false));
    SmartRef<IKeyframe> track(createKeyframe());
    if (!track->serialize(in.get())) {
        return 0;
    }
    float start = track->getStartTime(), end = track->getEndTime(), span = end - start;
    const float samples[] = {start - span - 1, start, (start + end) * 0.5f, end, end + span * 2.5f + 1, -1e30f, 1e30f};
    for (float t : samples) {
        track->eval(t);
    }
    SmartRef<IKeyframe> copyTrack(track->clone());
    copyTrack->eval(start);
    SmartRef<IKeyframe> simple(KeyframeUtil::simplify(track.get(), {0.01f}));
    simple->eval(end);

    SmartRef<IStream> outStream(createMemStream(nullptr, 0, false, true));
    SmartRef<ISerializer> out(createSerializer(outStream.get(), true));
    track->serialize(out.get());
    return 0;
}
